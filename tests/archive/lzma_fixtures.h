#pragma once
// Builds .lzma archives for the tests with liblzma's encoder.

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrow::test {

inline constexpr std::uint64_t kUnknownSize = UINT64_MAX;

// The 13-byte header followed by payload.
std::string LzmaHeader(unsigned char properties, std::uint32_t dictionary, std::uint64_t size);

// Raw LZMA1 data (lc 3, lp 0, pb 2 = properties 93), with or without the end
// marker after the data.
std::string EncodeLzma1(std::string_view data, bool end_marker, std::uint32_t dictionary = 1 << 16,
                        std::uint32_t preset = 1);

// A whole archive: header with the given declared size and dictionary,
// followed by the encoded data.
std::string MakeArchive(std::string_view data, std::uint64_t declared, bool end_marker,
                        std::uint32_t dictionary = 1 << 16);

// Compressible text and incompressible bytes, mixed.
std::string MixedData(std::size_t size, std::uint32_t seed);

}  // namespace kestrow::test
