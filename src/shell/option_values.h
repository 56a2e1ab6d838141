#pragma once
// How the options document's texts turn into booleans and integers.

#include <string_view>

namespace kestrow::shell {

// True when the text begins with T, t, Y or y; false when it begins with F, f,
// N or n; anything else (also an empty text or "1") gives default_value.
bool ReadBooleanText(std::string_view text, bool default_value);

// A decimal integer with an optional sign, blanks around it allowed; text that
// is not such a number, or does not fit 32 bits, gives 0.
int ReadIntegerText(std::string_view text);

}  // namespace kestrow::shell
