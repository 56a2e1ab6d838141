#include "changelog/text_fixup.h"

namespace kestrow::changelog {

void FixUpCyrillic(std::u16string& text) {
    for (char16_t& ch : text) {
        if (ch >= kFixUpFirst && ch <= kFixUpLast)
            ch = static_cast<char16_t>(ch + kFixUpShift);
    }
}

std::u16string FixedUpCyrillic(std::u16string text) {
    FixUpCyrillic(text);
    return text;
}

}  // namespace kestrow::changelog
