// FileCRC32 over a page-cached tree of about 2 GiB in 2,000 files, against a
// plain read of the same files into the same 1 MiB buffer (the physical limit
// of any checksum that has to read the data).

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <new>
#include <vector>

#include "archive/crc32.h"
#include "bench_support.h"
#include "platform/file_stream.h"

namespace {

using kestrow::bench::Random;
using kestrow::bench::ScratchDir;
using kestrow::bench::Seconds;

constexpr int kFiles = 2000;
constexpr std::uint64_t kTargetBytes = std::uint64_t{2} << 30;
constexpr std::int64_t kBuffer = 1 << 20;

// A client-like mix: many small files, some of several MiB.
std::vector<std::uint64_t> FileSizes() {
    Random rng(42);
    std::vector<double> weights(kFiles);
    double total = 0;
    for (auto& w : weights) {
        const double u = static_cast<double>(rng.Next() % 1000000) / 1000000.0;
        w = std::exp(u * 11.0);  // log-uniform over about 5 decades
        total += w;
    }
    std::vector<std::uint64_t> sizes;
    for (double w : weights) {
        sizes.push_back(static_cast<std::uint64_t>(w / total * static_cast<double>(kTargetBytes)) +
                        rng.Next() % 4096);
    }
    return sizes;
}

std::uint64_t ReadAll(const std::vector<std::string>& files, unsigned char* buffer) {
    std::uint64_t bytes = 0;
    for (const auto& f : files) {
        kestrow::platform::FileStream s(f, kestrow::platform::OpenMode::Read,
                                        kestrow::platform::ShareMode::DenyNone);
        for (;;) {
            const std::int64_t n = s.Read(buffer, kBuffer);
            bytes += static_cast<std::uint64_t>(n);
            if (n < kBuffer)
                break;
        }
    }
    return bytes;
}

}  // namespace

int main() {
    ScratchDir dir("kestrow-crc32-bench");
    if (kestrow::bench::FreeBytes(dir.Path()) < kTargetBytes + (std::uint64_t{1} << 30)) {
        std::fprintf(stderr, "crc32_bench: not enough free disk space in %s\n", dir.Path().c_str());
        return 1;
    }
    const auto sizes = FileSizes();
    std::vector<std::string> files;
    std::string block(8 << 20, '\0');
    Random rng(7);
    for (auto& c : block)
        c = static_cast<char>(rng.Next());
    std::uint64_t total = 0;
    for (int i = 0; i < kFiles; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "d%02d", i % 40);
        const auto sub = dir.Path() / name;
        std::filesystem::create_directories(sub);
        std::snprintf(name, sizeof name, "f%04d.dat", i);
        files.push_back((sub / name).string());
        std::ofstream out(files.back(), std::ios::binary);
        for (std::uint64_t left = sizes[static_cast<std::size_t>(i)]; left > 0;) {
            const std::uint64_t n = std::min<std::uint64_t>(left, block.size() - (i % 4096));
            out.write(block.data() + (i % 4096), static_cast<std::streamsize>(n));
            left -= n;
        }
        total += sizes[static_cast<std::size_t>(i)];
    }
    // Page-aligned like the checksum's own buffer, so both copies run alike.
    std::unique_ptr<unsigned char[], void (*)(unsigned char*)> buffer(
        static_cast<unsigned char*>(::operator new (kBuffer, std::align_val_t{4096})),
        [](unsigned char* p) { ::operator delete (p, std::align_val_t{4096}); });
    ReadAll(files, buffer.get());  // into the page cache

    double best_read = 1e9, best_crc = 1e9;
    std::uint32_t sink = 0;
    for (int rep = 0; rep < 9; ++rep) {
        best_read = std::min(best_read, Seconds([&] { sink += ReadAll(files, buffer.get()); }));
        best_crc = std::min(best_crc, Seconds([&] {
                                for (const auto& f : files)
                                    sink += kestrow::archive::FileCRC32(f)[0];
                            }));
    }
    const double gb = static_cast<double>(total) / 1e9;
    const double ours = gb / best_crc, reference = gb / best_read;
    std::printf("files=%d bytes=%llu (checksum sink %u)\n", kFiles,
                static_cast<unsigned long long>(total), sink & 1);
    std::printf("crc32: ours_gbps=%.2f reference=read reference_gbps=%.2f ratio=%.2f\n", ours,
                reference, ours / reference);
    return 0;
}
