#pragma once
// Lower-casing of UTF-8 names for comparison keys.

#include <string>
#include <string_view>

namespace kestrow::update {

// Every letter mapped to its lower-case form (Unicode simple case mapping, so
// Cyrillic, Greek, accented Latin and the rest, not only A to Z). Bytes that
// are not valid UTF-8 pass through unchanged.
std::string LowerCaseUtf8(std::string_view text);

// Only the letters A to Z lower-cased; every other byte unchanged.
std::string LowerCaseAscii(std::string_view text);

}  // namespace kestrow::update
