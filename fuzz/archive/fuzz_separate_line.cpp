// The pieces, joined back with the separator, give the text again; only the
// last piece may be empty or start with the separator.

#include <cstdint>
#include <string>
#include <string_view>

#include "archive/line_separator.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t sep_len = data[0] % 4;
    if (size < 1 + sep_len)
        return 0;
    const std::string_view sep(reinterpret_cast<const char*>(data) + 1, sep_len);
    const std::string_view text(reinterpret_cast<const char*>(data) + 1 + sep_len,
                                size - 1 - sep_len);
    const auto pieces = kestrow::archive::SeparateLine(text, sep);
    if (pieces.empty())
        __builtin_trap();
    std::string joined;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            joined += sep;
        if (i + 1 < pieces.size() &&
            (pieces[i].empty() || pieces[i].find(sep) != std::string::npos)) {
            __builtin_trap();
        }
        joined += pieces[i];
    }
    if (joined != text)
        __builtin_trap();
    return 0;
}
