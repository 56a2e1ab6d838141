// Any bytes as an INI file the player may have damaged: reading and writing
// never fail, and no value comes back longer than the limit allows.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/private_profile.h"

namespace {

using namespace kestrow::platform;

void Require(bool condition) {
    if (!condition)
        __builtin_trap();
}

const std::string& ScratchFile() {
    static const std::string path =
        "/tmp/kestrow-fuzz-profile-" + std::to_string(::getpid()) + ".ini";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = ScratchFile();
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    for (const char* key : {"Account01", "account01", "folder", "DirBox", ""}) {
        const std::string value = ReadProfileString("Auto", key, "none", path);
        Require(value.size() <= 4 * kProfileValueMax);
    }
    // A write must cope with whatever the file holds.
    (void)WriteProfileStringAnsi("Auto", "Account01", "login;password;comment", path);
    (void)ReadProfileString("auto", "ACCOUNT01", "", path);
    std::remove(path.c_str());
    return 0;
}
