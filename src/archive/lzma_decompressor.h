#pragma once
// Unpacks one .lzma archive (13-byte header: properties, dictionary size,
// unpacked size; then LZMA1 data) into its target file and deletes the archive.

#include <cstdint>
#include <string>

namespace kestrow::archive {

// The largest history window the decoder allocates. Archives whose window
// would be larger fail with the out-of-memory error. With a known unpacked
// size the window never exceeds that size, so only archives of unknown size
// with a huge declared dictionary meet this limit.
inline constexpr std::uint64_t kMaxLZMAWindow = std::uint64_t{1} << 30;

// Creates or truncates OutFile and decodes InFile into it; InFile is deleted
// once both files were opened, whatever happens after that. OutFile is never
// rolled back: a failure leaves it empty or holding the bytes decoded so far.
// Raises the platform's open/create errors, platform::Error with
// "input .lzma file is too short", "Incorrect stream properties",
// "Can't read stream size" or "Error in data stream", and EOutOfMemory when
// the window cannot be allocated.
void DecompressLZMAFile(const std::string& InFile, const std::string& OutFile);

}  // namespace kestrow::archive
