#pragma once
// The change log is published in Windows-1251 and usually served without a
// charset, so it arrives decoded byte for byte. Moving U+00C0..U+00FF up by
// 848 turns those 64 characters into the Cyrillic letters U+0410..U+044F.

#include <string>

namespace kestrow::changelog {

inline constexpr char16_t kFixUpFirst = 192;
inline constexpr char16_t kFixUpLast = 255;
inline constexpr char16_t kFixUpShift = 848;

// Every character in 192..255 moved up by 848; all others (Ё and ё of
// Windows-1251 among them, as U+00A8 and U+00B8) unchanged. Same length.
void FixUpCyrillic(std::u16string& text);
std::u16string FixedUpCyrillic(std::u16string text);

}  // namespace kestrow::changelog
