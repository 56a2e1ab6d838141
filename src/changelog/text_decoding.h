#pragma once
// Turning a response body into text: the charset its Content-Type declares,
// else ISO-8859-1, one character per byte.

#include <string>
#include <string_view>

namespace kestrow::changelog {

// The charset parameter of a Content-Type value ("text/plain;
// charset=windows-1251"), unquoted; empty when there is none.
std::string CharsetOf(std::string_view content_type);

// bytes decoded in charset. An empty charset, a name that is not a plain
// charset token, or one no converter knows decodes as ISO-8859-1. Malformed
// sequences become U+FFFD.
std::u16string DecodeText(std::string_view bytes, std::string_view charset);

// A body decoded by the charset of its Content-Type.
std::u16string DecodeBody(std::string_view body, std::string_view content_type);

}  // namespace kestrow::changelog
