// Any bytes as a catalogue response, taken through the run's catalogue stage
// up to the lines its scan reads: charset decoding, line joining, parsing, the
// "archive" and "CritFiles" elements, the unsafe-name rule, the catalogue
// entries and the update items built from them.
//
// Input: the Content-Type up to the first line feed, then the body (no line
// feed at all: the whole input is the body, served without a Content-Type).

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "platform/files.h"
#include "update/catalogue.h"
#include "update/catalogue_charset.h"
#include "update/item_fields.h"
#include "update/text_lower.h"

namespace {

using namespace kestrow::update;

void Require(bool condition) {
    if (!condition)
        __builtin_trap();
}

// Split at every separator, empty fields kept: what a line was built from.
std::vector<std::string_view> SplitAll(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t pos = line.find(kItemSeparator);
        fields.push_back(line.substr(0, pos));
        if (pos == std::string_view::npos)
            return fields;
        line.remove_prefix(pos + 1);
    }
}

// Our own reading of what a kept name may be: a relative path of printable
// characters without a segment that climbs, below the game directory once
// turned into a host path.
void RequireSafeName(std::string_view name) {
    Require(!name.empty());
    Require(name.front() != '/' && name.front() != '\\');
    Require(name.find(':') == std::string_view::npos);
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        Require(byte >= 0x20 && byte != 0x7F);
    }
    const std::string host = kestrow::platform::GameToHostPath(name);
    Require(!host.empty() && host.front() != '/');
    std::size_t start = 0;
    while (start <= host.size()) {
        std::size_t end = host.find('/', start);
        if (end == std::string::npos)
            end = host.size();
        const std::string_view segment = std::string_view(host).substr(start, end - start);
        // Windows drops trailing dots and blanks, so ". ." and "..." climb as ".." does.
        const bool dots_and_blanks = segment.find_first_not_of(". ") == std::string_view::npos;
        Require(!(dots_and_blanks && std::count(segment.begin(), segment.end(), '.') >= 2));
        start = end + 1;
    }
}

// A size text the engine accepts is an optional sign and decimal digits only.
void CheckSizeText(std::string_view text) {
    const std::int64_t value = ParseSizeText(text);
    if (value == -1)
        return;
    std::string_view digits = text;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-'))
        digits.remove_prefix(1);
    Require(!digits.empty() && digits.find_first_not_of("0123456789") == std::string_view::npos);
    if (value >= 0)
        Require(ParseSizeText(std::to_string(value)) == value);
}

// The engine's rule for an archive element: kept only with a safe name and no
// separator in the texts that go between separators.
std::optional<std::string> Entry(const pugi::xml_node& archive, std::string_view kind) {
    const std::string name = AttributeText(archive, "filename");
    const std::string crc = AttributeText(archive, "original");
    const std::string size = AttributeText(archive, "size");
    const auto holds_separator = [](std::string_view field) {
        return field.find(kItemSeparator) != std::string_view::npos;
    };
    if (IsUnsafeCatalogueName(name) || holds_separator(crc) || holds_separator(size))
        return std::nullopt;
    RequireSafeName(name);
    const std::string line = CatalogueEntry(name, crc, kind, size);
    const std::vector<std::string_view> fields = SplitAll(line);
    Require(fields.size() == 4 && fields[0] == name && fields[1] == crc && fields[2] == kind &&
            fields[3] == size);
    // ItemField stops at an empty field; up to there it gives the same pieces.
    Require(ItemField(line, 0) == std::optional<std::string_view>(name));
    if (!crc.empty()) {
        Require(ItemField(line, 1) == std::optional<std::string_view>(crc));
        Require(ItemField(line, 2) == std::optional<std::string_view>(kind));
        Require(ItemField(line, 3) == std::optional<std::string_view>(size));
        Require(!ItemField(line, 4));
    }
    return line;
}

// The scan's update item for a catalogue line, and the readers of the workers.
void CheckUpdateItem(std::string_view entry) {
    const std::vector<std::string_view> fields = SplitAll(entry);
    const std::string item = UpdateItem(fields[0], fields[2], fields[3]);
    Require(ItemField(item, 0) == std::optional<std::string_view>(fields[0]));
    Require(ItemField(item, 1) == std::optional<std::string_view>(fields[2]));
    Require(ItemField(item, 2) == std::optional<std::string_view>(fields[3]));
    Require(!ItemField(item, 3));
    Require(ItemKind(item) == fields[2]);
    Require(ItemExpectedSize(item) == ParseSizeText(fields[3]));
    CheckSizeText(fields[3]);
    const std::string key = ItemNameKey(item);
    Require(!key.empty() && key.find('/') == std::string::npos &&
            key.find(kItemSeparator) == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    const std::string_view content_type =
        newline == std::string_view::npos ? std::string_view() : input.substr(0, newline);
    std::string body(newline == std::string_view::npos ? input : input.substr(newline + 1));

    body = CatalogueBodyToUtf8(std::move(body), content_type);
    const std::string text = JoinCatalogueLines(body);
    // Every line ends in CR LF and no other CR or LF is left.
    Require(body.empty() ? text.empty() : text.ends_with("\r\n"));
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r')
            Require(i + 1 < text.size() && text[i + 1] == '\n');
        if (text[i] == '\n')
            Require(i > 0 && text[i - 1] == '\r');
    }
    Require(Utf16Length(text) <= text.size());

    pugi::xml_document doc;
    try {
        ParseCatalogue(doc, text);
    } catch (const EDOMParseError&) {
        return 0;
    }
    Require(static_cast<bool>(doc.document_element()));

    // The same document as the client catalogue (kind 1) and as the patch (kind 2).
    std::vector<std::string> lines;
    for (const pugi::xml_node& archive : FindElements(doc, "archive")) {
        Require(archive != doc.document_element());
        for (const std::string_view kind : {"1", "2"}) {
            if (std::optional<std::string> line = Entry(archive, kind))
                lines.push_back(std::move(*line));
        }
    }
    for (const pugi::xml_node& crit : FindElements(doc, "CritFiles"))
        (void)(LowerCaseAscii(AttributeText(crit, "filename")) + kItemSeparator);
    for (const std::string& line : lines)
        CheckUpdateItem(line);
    return 0;
}
