#pragma once
// Unpacks one .lzma archive (13-byte header: properties, dictionary size,
// unpacked size; then LZMA1 data) into its target file and deletes the archive.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kestrow::archive {

// The largest history window the decoder allocates. Archives whose window
// would be larger fail with the out-of-memory error. With a known unpacked
// size the window never exceeds that size, so only archives of unknown size
// with a huge declared dictionary meet this limit.
inline constexpr std::uint64_t kMaxLZMAWindow = std::uint64_t{1} << 30;

// The fields of the 13-byte header.
struct LzmaHeader {
    unsigned lc = 0, lp = 0, pb = 0;
    std::uint32_t dictionary = 0;
    std::optional<std::uint64_t> size;  // empty: unknown, the end marker ends the data
};
inline constexpr std::size_t kLzmaPropertiesSize = 5;
inline constexpr std::size_t kLzmaHeaderSize = 13;

// The properties byte and the dictionary size (the first 5 header bytes) into
// header; false when they break the rules unpacking applies (properties above
// 224, a dictionary of 2^31 bytes or more).
bool ParseLzmaProperties(const unsigned char* bytes, LzmaHeader& header);
// The unpacked size of header bytes 5 to 12 (little-endian); empty when the
// value is negative, that is unknown.
std::optional<std::uint64_t> ParseLzmaSize(const unsigned char* bytes);

// The output grows in OutFile + kUnpackTempSuffix, beside the target. A file of
// that name is only ever left by a process that died while unpacking.
inline constexpr char kUnpackTempSuffix[] = ".kestrow-part";

// Decodes InFile into a temporary file beside OutFile and, once every byte is
// written and flushed, puts it in place of OutFile in one step (keeping an old
// target's permission bits). On any failure OutFile keeps its old content (or
// stays absent) and the temporary file is removed. InFile is deleted once both
// the archive and the temporary file were opened, whatever happens after that.
//
// MaxOutputSize >= 0 caps the output: a header that declares a larger known
// size fails before anything is written, and decoding of an unknown size stops
// and fails as soon as the output would pass the cap. A shorter output is not
// an error here. Before decoding, an output whose size is known (declared, else
// the cap) that does not fit in the free disk space fails.
//
// Raises the platform's open/create errors (EFCreateError also for a read-only
// or directory OutFile; the archive is kept then), EWriteError when the disk
// does not take the output, platform::Error with "input .lzma file is too
// short", "Incorrect stream properties", "Can't read stream size", "Error in
// data stream", "Unpacked size exceeds the expected size: ...", "Unpacked data
// exceed the expected size: ..." or "Not enough disk space: ...", and
// EOutOfMemory when the window cannot be allocated.
//
// Cancel, when given and set from another thread, stops the decoding within
// one output block ("Unpacking cancelled"), with the end state of any failure.
void DecompressLZMAFile(const std::string& InFile, const std::string& OutFile,
                        std::int64_t MaxOutputSize = -1, const std::atomic<bool>* Cancel = nullptr);

}  // namespace kestrow::archive
