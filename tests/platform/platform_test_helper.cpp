// A stand-in program for the platform tests, started as a real process:
//   record ARGS...            writes its working directory, the descriptors
//                             it inherited above 2 and its argv to the file
//                             named by KESTROW_TEST_RECORD, then exits
//   sleep                     prints "ready" and waits until it is killed
//   write-settings TAG COUNT  writes COUNT text values TAG_<i> into the test
//                             key, reading each back; exit 1 on any failure

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/env.h"
#include "platform/settings_store.h"

namespace {

[[noreturn]] void WaitForKill() {
    for (;;)
        ::pause();
}

// Descriptors above standard error, as "3,7"; listed before any is opened here.
std::string InheritedDescriptors() {
    std::string list;
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir)
        return "?";
    while (const dirent* entry = ::readdir(dir)) {
        const int fd = std::atoi(entry->d_name);
        if (fd > 2 && fd != ::dirfd(dir))
            list += (list.empty() ? "" : ",") + std::to_string(fd);
    }
    ::closedir(dir);
    return list;
}

int Record(int argc, char** argv) {
    const std::string descriptors = InheritedDescriptors();
    const char* out = std::getenv("KESTROW_TEST_RECORD");
    if (!out)
        return 2;
    // Written aside and renamed, so the test never reads half a record.
    const std::string temp = std::string(out) + ".part";
    {
        std::ofstream file(temp, std::ios::binary);
        file << kestrow::platform::CurrentDirectory() << '\0' << descriptors << '\0';
        for (int i = 0; i < argc; ++i)
            file << argv[i] << '\0';
        if (!file.flush())
            return 3;
    }
    return std::rename(temp.c_str(), out) == 0 ? 0 : 4;
}

int WriteSettings(const std::string& tag, int count) {
    try {
        const auto key = kestrow::platform::SettingsKey::Create("Software\\KestrowTest\\Race");
        for (int i = 0; i < count; ++i) {
            const std::string name = tag + "_" + std::to_string(i);
            key.WriteText(name, std::to_string(i));
            if (key.ReadText(name) != std::to_string(i))
                return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string_view mode = argc > 1 ? argv[1] : "";
    if (mode == "record")
        return Record(argc, argv);
    if (mode == "sleep") {
        std::printf("ready\n");
        std::fflush(stdout);
        WaitForKill();
    }
    if (mode == "write-settings" && argc > 3)
        return WriteSettings(argv[2], std::atoi(argv[3]));
    return 2;
}
