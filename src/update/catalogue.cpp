#include "update/catalogue.h"

#include <cstdint>
#include <string>

namespace kestrow::update {

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y + 32);
        if (x != y) {
            return false;
        }
    }
    return true;
}

// ".." and the forms that Windows path handling folds into it: a segment of
// dots and spaces only, with at least two dots.
bool IsParentSegment(std::string_view segment) {
    int dots = 0;
    for (const char ch : segment) {
        if (ch == '.') {
            ++dots;
        } else if (ch != ' ') {
            return false;
        }
    }
    return dots >= 2;
}

}  // namespace

std::string JoinCatalogueLines(std::string_view body) {
    std::string out;
    out.reserve(body.size() + body.size() / 16 + 2);
    std::size_t i = 0;
    while (i < body.size()) {
        const std::size_t end = body.find_first_of("\r\n", i);
        if (end == std::string_view::npos) {
            out.append(body.substr(i)).append("\r\n");
            break;
        }
        out.append(body.substr(i, end - i)).append("\r\n");
        i = end + 1;
        if (body[end] == '\r' && i < body.size() && body[i] == '\n') {
            ++i;
        }
    }
    return out;
}

std::size_t Utf16Length(std::string_view utf8) {
    std::size_t units = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto byte = static_cast<std::uint8_t>(utf8[i]);
        std::size_t length = 1;
        if (byte >= 0xF0 && byte <= 0xF4) {
            length = 4;
        } else if (byte >= 0xE0) {
            length = 3;
        } else if (byte >= 0xC2 && byte < 0xE0) {
            length = 2;
        }
        bool valid = byte < 0x80 || length > 1;
        if (valid && length > 1) {
            if (i + length > utf8.size() || byte > 0xF4) {
                valid = false;
            } else {
                for (std::size_t k = 1; k < length; ++k) {
                    if ((static_cast<std::uint8_t>(utf8[i + k]) & 0xC0) != 0x80) {
                        valid = false;
                    }
                }
            }
        }
        if (!valid) {
            ++units;
            ++i;
            continue;
        }
        units += length == 4 ? 2 : 1;
        i += length;
    }
    return units;
}

void ParseCatalogue(pugi::xml_document& doc, std::string_view text) {
    const pugi::xml_parse_result result =
        doc.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!result) {
        throw EDOMParseError(std::string(result.description()) + " at offset " +
                             std::to_string(result.offset));
    }
    if (!doc.document_element()) {
        throw EDOMParseError("No document element found");
    }
}

std::vector<pugi::xml_node> FindElements(const pugi::xml_document& doc, std::string_view name) {
    std::vector<pugi::xml_node> found;
    const pugi::xml_node root = doc.document_element();
    // Iterative pre-order walk: deep documents cannot exhaust the stack.
    pugi::xml_node node = root.first_child();
    while (node && node != root) {
        if (node.type() == pugi::node_element && EqualsNoCase(node.name(), name)) {
            found.push_back(node);
        }
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node != root && !node.next_sibling()) {
            node = node.parent();
        }
        if (node != root) {
            node = node.next_sibling();
        }
    }
    return found;
}

std::string AttributeText(const pugi::xml_node& element, std::string_view name) {
    for (const pugi::xml_attribute& attribute : element.attributes()) {
        if (EqualsNoCase(attribute.name(), name)) {
            return attribute.value();
        }
    }
    return {};
}

bool IsUnsafeCatalogueName(std::string_view file_name) {
    // An empty name names the directory itself, not a file in it.
    if (file_name.empty() || file_name.front() == '\\' || file_name.front() == '/' ||
        file_name.find(':') != std::string_view::npos) {
        return true;
    }
    // Control characters make odd files and break log lines; U+0006 would
    // also split the name when the run takes its line apart.
    for (const char c : file_name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return true;
        }
    }
    std::size_t start = 0;
    while (start <= file_name.size()) {
        std::size_t end = file_name.find_first_of("\\/", start);
        if (end == std::string_view::npos) {
            end = file_name.size();
        }
        if (IsParentSegment(file_name.substr(start, end - start))) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

}  // namespace kestrow::update
