#include "archive/lzma_fixtures.h"

#include <lzma.h>

#include <stdexcept>

#include "support/temp_dir.h"

namespace kestrow::test {

std::string LzmaHeader(unsigned char properties, std::uint32_t dictionary, std::uint64_t size) {
    std::string h(13, '\0');
    h[0] = static_cast<char>(properties);
    for (int i = 0; i < 4; ++i)
        h[1 + i] = static_cast<char>((dictionary >> (8 * i)) & 0xFF);
    for (int i = 0; i < 8; ++i)
        h[5 + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
    return h;
}

std::string EncodeLzma1(std::string_view data, bool end_marker, std::uint32_t dictionary,
                        std::uint32_t preset) {
    lzma_options_lzma options{};
    if (lzma_lzma_preset(&options, preset))
        throw std::runtime_error("lzma preset");
    options.dict_size = dictionary;
    options.lc = 3;
    options.lp = 0;
    options.pb = 2;
    options.ext_flags = end_marker ? LZMA_LZMA1EXT_ALLOW_EOPM : 0;
    const lzma_filter filters[] = {{LZMA_FILTER_LZMA1EXT, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    std::string out(data.size() + data.size() / 2 + 4096, '\0');
    std::size_t out_pos = 0;
    const lzma_ret ret = lzma_raw_buffer_encode(
        filters, nullptr, reinterpret_cast<const std::uint8_t*>(data.data()), data.size(),
        reinterpret_cast<std::uint8_t*>(out.data()), &out_pos, out.size());
    if (ret != LZMA_OK)
        throw std::runtime_error("lzma encode failed");
    out.resize(out_pos);
    return out;
}

std::string MakeArchive(std::string_view data, std::uint64_t declared, bool end_marker,
                        std::uint32_t dictionary) {
    return LzmaHeader(93, dictionary, declared) + EncodeLzma1(data, end_marker, dictionary);
}

std::string MixedData(std::size_t size, std::uint32_t seed) {
    static constexpr std::string_view kText =
        "The quick brown fox jumps over the lazy dog; 0123456789 system\\l2.ini\n";
    std::string out;
    out.reserve(size);
    std::uint32_t block = 0;
    while (out.size() < size) {
        const std::size_t n = std::min<std::size_t>(4096, size - out.size());
        if (++block % 3 == 0) {
            out += RandomBytes(n, seed + block);
        } else {
            for (std::size_t i = 0; i < n; ++i)
                out += kText[(i * (block % 7 + 1)) % kText.size()];
        }
    }
    return out;
}

}  // namespace kestrow::test
