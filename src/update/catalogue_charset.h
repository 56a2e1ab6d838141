#pragma once
// Catalogue bodies in the character set they were served in, turned into the
// UTF-8 text the parser is given.

#include <string>
#include <string_view>

namespace kestrow::update {

// The character set of a catalogue body: its byte-order mark, else the
// charset of the Content-Type, else the encoding of the XML declaration, else
// "UTF-8".
std::string CatalogueCharset(std::string_view body, std::string_view content_type);

// The body decoded from that character set into UTF-8, byte-order mark
// dropped. A character set the converter does not know leaves the body as it
// is (parsed as UTF-8, as any undeclared body).
std::string CatalogueBodyToUtf8(std::string body, std::string_view content_type);

}  // namespace kestrow::update
