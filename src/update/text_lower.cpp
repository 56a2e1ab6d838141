#include "update/text_lower.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstdint>

#include "platform/ascii_case.h"

namespace kestrow::update {

std::string LowerCaseUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());
    std::int32_t i = 0;
    while (i < length) {
        const std::uint8_t byte = s[i];
        if (byte < 0x80) {  // the common case, without the decoder
            out.push_back(byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte + 32)
                                                     : static_cast<char>(byte));
            ++i;
            continue;
        }
        const std::int32_t start = i;
        UChar32 c;
        U8_NEXT(s, i, length, c);
        if (c < 0) {  // malformed sequence: keep its bytes as they are
            out.append(
                text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(i - start)));
            continue;
        }
        const UChar32 lower = u_tolower(c);
        char buffer[U8_MAX_LENGTH];
        std::int32_t n = 0;
        UBool error = false;
        U8_APPEND(reinterpret_cast<std::uint8_t*>(buffer), n, U8_MAX_LENGTH, lower, error);
        if (error) {
            out.append(
                text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(i - start)));
        } else {
            out.append(buffer, static_cast<std::size_t>(n));
        }
    }
    return out;
}

std::string LowerCaseAscii(std::string_view text) {
    return platform::LowerAsciiText(text);
}

}  // namespace kestrow::update
