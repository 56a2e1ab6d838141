#pragma once
// Splits a line at a separator, stopping at the first empty field: the rest of
// the line from there on stays one piece, separators and all.

#include <string>
#include <string_view>
#include <vector>

namespace kestrow::archive {

// Field separator of catalogue and job lines: U+0006.
inline constexpr std::string_view kFieldSeparator = "\x06";

// "a;b;c" -> a, b, c;  "a;" -> a, "";  "a;;b" -> a, ";b";  ";b" -> ";b";
// "" -> "". Always at least one piece.
std::vector<std::string> SeparateLine(std::string_view Text, std::string_view Separator);

}  // namespace kestrow::archive
