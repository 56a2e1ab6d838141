#pragma once
// Trimming as the launcher trims names, paths and version texts.

#include <string>
#include <string_view>

namespace kestrow::shell {

// Without the blanks and control characters (bytes up to ' ') at both ends.
std::string TrimBlanks(std::string_view text);

}  // namespace kestrow::shell
