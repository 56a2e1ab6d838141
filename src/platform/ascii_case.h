#pragma once
// Letter case of A–Z only: the rule of names the launcher compares itself
// (settings names, process names, file masks), independent of the locale.

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrow::platform {

constexpr char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// text with A–Z lower-cased and every other byte as it was.
inline std::string LowerAsciiText(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = LowerAscii(c);
    return out;
}

constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

}  // namespace kestrow::platform
