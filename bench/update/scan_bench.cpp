// A full scan of an up-to-date client directory (catalogue from a loopback
// server, size test, CRC of every file, progress calls on a window port that
// shows nothing) against a plain read() of the same files into a 1 MiB
// buffer. The files are read once beforehand, so both runs come from the page
// cache; each figure is the best of five.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "archive/crc32.h"
#include "core/launcher_state.h"
#include "core/null_window_port.h"
#include "core/window_port.h"
#include "platform/env.h"
#include "update/thread_for_download.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFiles = 2000;
constexpr std::size_t kBuffer = 1 << 20;

struct File {
    std::string name;  // game-relative, backslashes
    std::string crc;
    std::uint64_t size;
};

std::vector<File> MakeTree(const std::string& root) {
    std::vector<File> files;
    std::vector<char> data(2 * kBuffer + 4096);
    std::uint64_t x = 88172645463325252ull;
    for (int i = 0; i < kFiles; ++i) {
        // Sizes from 4 KiB to 2 MiB, about 1 MiB on average: ~2 GiB in all.
        x ^= x << 13, x ^= x >> 7, x ^= x << 17;
        const std::size_t size = 4096 + static_cast<std::size_t>(x % (2 * kBuffer - 8192));
        for (std::size_t k = 0; k + 8 <= size; k += 8) {
            x ^= x << 13, x ^= x >> 7, x ^= x << 17;
            std::memcpy(&data[k], &x, 8);
        }
        const std::string dir = "system" + std::to_string(i % 20);
        fs::create_directories(root + dir);
        const std::string name = dir + "\\file" + std::to_string(i) + ".dat";
        const std::string host = root + dir + "/file" + std::to_string(i) + ".dat";
        std::FILE* f = std::fopen(host.c_str(), "wb");
        if (f == nullptr || std::fwrite(data.data(), 1, size, f) != size || std::fclose(f) != 0) {
            std::perror(host.c_str());
            std::exit(1);
        }
        const std::uint32_t crc =
            kestrow::archive::UpdateCRC32(0xFFFFFFFFu, data.data(), size) ^ 0xFFFFFFFFu;
        files.push_back({name, kestrow::archive::CrcText(crc), size});
    }
    return files;
}

double ReadAll(const std::string& root, const std::vector<File>& files) {
    std::vector<char> buffer(kBuffer);
    const auto start = Clock::now();
    std::uint64_t total = 0;
    for (const File& file : files) {
        std::string host = root + file.name;
        std::replace(host.begin(), host.end(), '\\', '/');
        const int fd = ::open(host.c_str(), O_RDONLY);
        if (fd < 0) {
            std::perror(host.c_str());
            std::exit(1);
        }
        ssize_t n;
        while ((n = ::read(fd, buffer.data(), buffer.size())) > 0) {
            total += static_cast<std::uint64_t>(n);
        }
        ::close(fd);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (total == 0) {
        std::exit(1);
    }
    return seconds;
}

}  // namespace

int main() {
    using namespace kestrow;
    std::string root = platform::TempPath() + "kestrow_scan_bench_XXXXXX";
    if (::mkdtemp(root.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    root += "/";
    const std::vector<File> files = MakeTree(root);

    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<list>\n";
    for (const File& file : files) {
        xml += "<archive filename=\"" + file.name + "\" original=\"" + file.crc + "\" size=\"" +
               std::to_string(file.size) + "\"/>\n";
    }
    xml += "</list>\n";

    httplib::Server server;
    server.Get("/patch.xml", [&xml](const httplib::Request&, httplib::Response& res) {
        res.set_content(xml, "text/xml");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&server] { server.listen_after_bind(); });
    while (!server.is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    core::ScopedLauncherState state;
    state->language = 1;
    state->g_PatchURL = "http://127.0.0.1:" + std::to_string(port) + "/patch.xml?1";
    core::NullWindowPort window;
    core::ScopedWindow scoped(window);

    ReadAll(root, files);  // into the page cache
    double ours = 1e30, reference = 1e30;
    for (int round = 0; round < 5; ++round) {
        reference = std::min(reference, ReadAll(root, files));
        update::ThreadForDownLoad run(root);
        run.ApplyHttpTuning();
        const auto start = Clock::now();
        const bool ok = run.CheckAllFiles();
        ours = std::min(ours, std::chrono::duration<double>(Clock::now() - start).count());
        if (!ok || !run.ListWithUpdate.empty() ||
            run.LastScan().crc_checked != static_cast<std::int64_t>(files.size())) {
            std::fprintf(stderr, "scan_bench: the scan did not find the tree up to date\n");
            return 1;
        }
    }
    server.stop();
    serving.join();
    fs::remove_all(root);
    std::printf("scan: ours_s=%.3f reference=read reference_s=%.3f ratio=%.2f\n", ours, reference,
                ours / reference);
    return 0;
}
