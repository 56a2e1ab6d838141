#include "update/item_fields.h"

#include <charconv>

#include "update/text_lower.h"

namespace kestrow::update {

std::optional<std::string_view> ItemField(std::string_view line, std::size_t n) {
    for (std::size_t k = 0;; ++k) {
        const std::size_t pos = line.find(kItemSeparator);
        if (pos == std::string_view::npos || pos == 0) {
            if (k == n) {
                return line;
            }
            return std::nullopt;
        }
        if (k == n) {
            return line.substr(0, pos);
        }
        line.remove_prefix(pos + 1);
    }
}

std::int64_t ParseSizeText(std::string_view text) {
    std::int64_t value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') {
        ++first;
        if (first != last && *first == '-') {
            return -1;
        }
    }
    const auto [end, ec] = std::from_chars(first, last, value, 10);
    if (ec != std::errc() || end != last || first == last) {
        return -1;
    }
    return value;
}

std::string CatalogueEntry(std::string_view file_name, std::string_view crc, std::string_view kind,
                           std::string_view size) {
    std::string line;
    line.reserve(file_name.size() + crc.size() + kind.size() + size.size() + 3);
    line.append(file_name).append(1, kItemSeparator).append(crc).append(1, kItemSeparator);
    line.append(kind).append(1, kItemSeparator).append(size);
    return line;
}

std::string UpdateItem(std::string_view file_name, std::string_view kind, std::string_view size) {
    std::string line;
    line.reserve(file_name.size() + kind.size() + size.size() + 2);
    line.append(file_name).append(1, kItemSeparator).append(kind).append(1, kItemSeparator);
    line.append(size);
    return line;
}

std::int64_t ItemExpectedSize(std::string_view line) {
    const auto field = ItemField(line, 2);
    return field ? ParseSizeText(*field) : -1;
}

std::string ItemKind(std::string_view line) {
    const auto field = ItemField(line, 1);
    return field ? std::string(*field) : std::string();
}

std::string ItemNameKey(std::string_view line) {
    if (line.empty()) {
        return {};
    }
    std::string name(*ItemField(line, 0));
    for (char& ch : name) {
        if (ch == '/') {
            ch = '\\';
        }
    }
    return LowerCaseUtf8(name);
}

bool PatchOverridesClient(std::string_view candidate, std::string_view kept) {
    return ItemKind(kept) == "1" && ItemKind(candidate) != "1";
}

}  // namespace kestrow::update
