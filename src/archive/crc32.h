#pragma once
// CRC-32 (reflected, polynomial 0xEDB88320, as zip and PNG use it) of files and
// streams, and its 8-digit text form that the catalogues carry.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/file_stream.h"

namespace kestrow::archive {

// The byte-wise table; filled at compile time, so it exists before any thread.
const std::array<std::uint32_t, 256>& CRC32Table();

// Feeds bytes through the register: reg = (reg >> 8) ^ table[(reg ^ byte) & 0xFF]
// for each byte. No inversion here; callers start at 0xFFFFFFFF and invert
// the final register.
std::uint32_t UpdateCRC32(std::uint32_t reg, const void* buffer, std::size_t length);

// CRC of count bytes from the stream's position; count 0 means the whole
// stream from its start. Raises EReadError when the stream delivers fewer bytes.
std::uint32_t StreamCRC32(platform::FileStream& stream, std::int64_t count);

// Exactly 8 upper-case hexadecimal digits.
std::string CrcText(std::uint32_t crc);

// CRC text of a whole file, opened read-only while others may read and write
// it. Raises EFOpenError when it cannot be opened, EReadError on a short read.
std::string FileCRC32(const std::string& file_name);

}  // namespace kestrow::archive
