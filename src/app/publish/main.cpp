// kestrow-publish: writes the files a game service serves to the launcher.

#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "app/publish/command_line.h"
#include "app/publish/publisher.h"
#include "archive/crc32.h"
#include "platform/error.h"
#include "platform/files.h"

namespace {

using namespace kestrow;

int RunCrc(const std::vector<std::string>& files) {
    int status = 0;
    for (const std::string& file : files) {
        try {
            const std::string crc = archive::FileCRC32(file);
            std::cout << crc << ' ' << platform::FileSize(file) << ' ' << file << '\n';
        } catch (const std::exception& e) {
            std::cerr << "kestrow-publish: " << file << ": " << e.what() << '\n';
            status = 1;
        }
    }
    return status;
}

int Run(const std::vector<std::string>& args) {
    const publish::Command command = publish::ParseCommandLine(args);
    switch (command.kind) {
        case publish::Command::Kind::Help:
            std::cout << publish::HelpText();
            return 0;
        case publish::Command::Kind::Crc:
            return RunCrc(command.crc_files);
        case publish::Command::Kind::Publish:
            break;
    }
    const publish::PublishSummary s = publish::Publish(command.publish);
    const double mb = static_cast<double>(s.bytes) / 1e6;
    std::printf(
        "published %u client and %u patch files, %.1f MB in %.1f s (%.1f MB/s, %u threads), "
        "version %s\n",
        s.client_files, s.patch_files, mb, s.seconds, s.seconds > 0 ? mb / s.seconds : 0.0,
        s.threads, s.version.c_str());
    std::printf("compressed %u files (%.1f MB), reused %u files, %.1f MB in all, %.1f s\n",
                s.compressed_files, static_cast<double>(s.compressed_bytes) / 1e6, s.reused_files,
                mb, s.seconds);
    for (const std::string& name : s.reuse_refused) {
        std::fprintf(stderr,
                     "kestrow-publish: warning: the earlier archive of \"%s\" does not fit its "
                     "catalogue entry; compressed again\n",
                     name.c_str());
    }
    for (const std::string& name : s.patch_differs_from_client) {
        std::fprintf(stderr,
                     "kestrow-publish: warning: patch file \"%s\" differs from the client's; a "
                     "full check of a patched client downloads the client's copy again\n",
                     name.c_str());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        return Run(args);
    } catch (const publish::UsageError& e) {
        std::cerr << "kestrow-publish: " << e.what() << "\nTry 'kestrow-publish --help'.\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "kestrow-publish: error: " << e.what() << '\n';
        return 1;
    }
}
