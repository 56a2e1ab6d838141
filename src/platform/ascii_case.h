#pragma once
// Letter case of A–Z only: the rule of names the launcher compares itself
// (settings names, process names, file masks), independent of the locale.

#include <cstddef>
#include <string_view>

namespace kestrow::platform {

constexpr char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
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
