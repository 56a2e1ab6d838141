#pragma once
// One file into one .lzma archive: the 13-byte header (properties, dictionary
// size, the real unpacked size) followed by raw LZMA1 data without end marker.

#include <cstdint>
#include <filesystem>
#include <functional>

namespace kestrow::publish {

struct EncodedFile {
    std::uint32_t crc = 0;  // CRC-32 of the bytes read, final value
    std::uint64_t size = 0;
    std::uint64_t archive_size = 0;
};

struct EncoderSettings {
    std::uint32_t preset = 6;
    bool extreme = false;
};

// Reads source once, feeding the same buffers to the CRC and the encoder, and
// writes archive (through a ".part" file renamed at the end). on_bytes gets
// the count of source bytes consumed since the last call. Throws PublishError;
// a failed call leaves no archive behind.
EncodedFile EncodeFileToLzma(const std::filesystem::path& source,
                             const std::filesystem::path& archive, const EncoderSettings& settings,
                             const std::function<void(std::uint64_t)>& on_bytes);

}  // namespace kestrow::publish
