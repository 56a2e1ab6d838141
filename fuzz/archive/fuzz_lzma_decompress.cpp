// Any bytes as an .lzma archive: the call either succeeds or raises one of our
// errors; nothing crashes, leaks or grows without bound.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "archive/lzma_decompressor.h"
#include "platform/error.h"

namespace {

// A scratch directory per process, removed when the fuzzer exits.
struct ScratchDir {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("kestrow-fuzz-lzma-" + std::to_string(::getpid()));
    ScratchDir() { std::filesystem::create_directories(path); }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

const std::filesystem::path& Dir() {
    static const ScratchDir dir;
    return dir.path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string in = (Dir() / "in.lzma").string();
    const std::string out = (Dir() / "out").string();
    std::string bytes(reinterpret_cast<const char*>(data), size);
    // Valid dictionaries stay below 16 MiB so that each run stays fast; the
    // invalid ones (2^31 and up) still reach the header check. Huge windows are
    // covered by the unit tests.
    if (bytes.size() >= 5 && (bytes[4] & 0x80) == 0)
        bytes[4] = 0;
    std::ofstream(in, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    try {
        kestrow::archive::DecompressLZMAFile(in, out);
    } catch (const kestrow::platform::Error&) {
    }
    // The archive is always gone once both files were opened.
    if (std::filesystem::exists(in))
        __builtin_trap();
    return 0;
}
