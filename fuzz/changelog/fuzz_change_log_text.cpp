// Any bytes as a change-log response: the Content-Type up to the first line
// feed, then the body (no line feed: the whole input is the body, served
// without one). Decoding never fails, falls back to one character per byte,
// and the Cyrillic fix-up moves exactly the characters 192..255.

#include <cstdint>
#include <string>
#include <string_view>

#include "changelog/text_decoding.h"
#include "changelog/text_fixup.h"

namespace {

using namespace kestrow::changelog;

void Require(bool condition) {
    if (!condition)
        __builtin_trap();
}

bool IsLatin1Of(const std::u16string& text, std::string_view bytes) {
    if (text.size() != bytes.size())
        return false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (text[i] != static_cast<unsigned char>(bytes[i]))
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    const std::string_view content_type =
        newline == std::string_view::npos ? std::string_view() : input.substr(0, newline);
    const std::string_view body =
        newline == std::string_view::npos ? input : input.substr(newline + 1);

    const std::string charset = CharsetOf(content_type);
    Require(charset.size() <= content_type.size());
    const std::u16string decoded = DecodeBody(body, content_type);
    Require(decoded == DecodeText(body, charset));
    if (charset.empty())
        Require(IsLatin1Of(decoded, body));
    Require(IsLatin1Of(DecodeText(body, ""), body));

    const std::u16string fixed = FixedUpCyrillic(decoded);
    Require(fixed.size() == decoded.size());
    for (std::size_t i = 0; i < fixed.size(); ++i) {
        const char16_t ch = decoded[i];
        const bool moves = ch >= kFixUpFirst && ch <= kFixUpLast;
        Require(fixed[i] == (moves ? static_cast<char16_t>(ch + kFixUpShift) : ch));
        Require(fixed[i] < kFixUpFirst || fixed[i] > kFixUpLast);
    }
    return 0;
}
