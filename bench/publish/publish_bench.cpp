// A ~25 MiB synthetic client (text, binary records and incompressible data in
// 200 files) published at the default preset on every core, then published
// again with --reuse after 3 of its files changed (two of the same size, one
// of another), into a fresh directory as a service does. The republish is
// measured against the first publish of the same round. Best of N rounds
// (PUBLISH_BENCH_ROUNDS, default 2).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "app/publish/publisher.h"
#include "archive/bench_support.h"

namespace {

namespace fs = std::filesystem;
using namespace kestrow;

constexpr int kFiles = 200;
constexpr int kChanged = 3;

// File i of the client: its size and a mix of content by its number.
std::size_t FileSize(int i) {
    if (i % 50 == 0)
        return (2u << 20) + static_cast<std::size_t>(i) * 4096;  // a few large ones
    return (32u << 10) + static_cast<std::size_t>(i % 29) * 4096;
}

std::string Content(int i, std::size_t size, std::uint64_t seed) {
    bench::Random rng(seed * 1000003 + static_cast<std::uint64_t>(i));
    std::string out;
    out.reserve(size + 64);
    switch (i % 3) {
        case 0:  // text lines
            while (out.size() < size)
                out += "Item" + std::to_string(rng.Next() % 5000) + "=" +
                       std::to_string(rng.Next() % 100000) + "\n";
            break;
        case 1:  // binary records with repeats
            while (out.size() < size) {
                const std::uint64_t r = rng.Next() % 64;
                out.append(reinterpret_cast<const char*>(&r), 8);
                out.append(24, static_cast<char>(r));
            }
            break;
        default:  // incompressible
            while (out.size() < size) {
                const std::uint64_t r = rng.Next();
                out.append(reinterpret_cast<const char*>(&r), 8);
            }
    }
    out.resize(size);
    return out;
}

std::string Name(int i) {
    return "dir" + std::to_string(i % 7) + "/file" + std::to_string(i) + ".dat";
}

void Write(const fs::path& path, const std::string& data) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << data;
    if (!out.flush())
        throw std::runtime_error("cannot write " + path.string());
}

double Publish(const fs::path& client, const fs::path& out, const fs::path& reuse,
               std::uint32_t& reused) {
    publish::PublishOptions o;
    o.client_dir = client.string();
    o.out_dir = out.string();
    o.reuse_dir = reuse.string();
    o.base_url = "http://127.0.0.1:1";
    o.version = "1.0.0.0";
    o.progress = false;
    return bench::Seconds([&] { reused = publish::Publish(o).reused_files; });
}

int Rounds() {
    const char* text = std::getenv("PUBLISH_BENCH_ROUNDS");
    return std::max(1, text != nullptr ? std::atoi(text) : 2);
}

int Main() {
    const bench::ScratchDir scratch("kestrow_publish_bench");
    const fs::path& root = scratch.Path();
    const fs::path client = root / "client";
    std::uint64_t bytes = 0;
    for (int i = 0; i < kFiles; ++i) {
        Write(client / Name(i), Content(i, FileSize(i), 0));
        bytes += FileSize(i);
    }

    double first = 1e30, again = 1e30;
    const int rounds = Rounds();
    for (int round = 0; round < rounds; ++round) {
        const fs::path out1 = root / ("www" + std::to_string(round) + "a");
        const fs::path out2 = root / ("www" + std::to_string(round) + "b");
        std::uint32_t reused = 0;
        first = std::min(first, Publish(client, out1, {}, reused));
        // Two of the same size (their CRC decides), one that grows.
        for (int k = 0; k < kChanged; ++k) {
            const int i = 11 + 61 * k;
            const std::size_t size = FileSize(i) + (k == kChanged - 1 ? 4096 : 0);
            Write(client / Name(i), Content(i, size, static_cast<std::uint64_t>(round) + 1));
        }
        again = std::min(again, Publish(client, out2, out1, reused));
        if (reused != kFiles - kChanged) {
            throw std::runtime_error("the republish reused " + std::to_string(reused) +
                                     " archives, expected " + std::to_string(kFiles - kChanged));
        }
        fs::remove_all(out1);
        fs::remove_all(out2);
        std::fprintf(stderr, "publish_bench: round %d/%d done\n", round + 1, rounds);
    }
    std::printf(
        "publish: files=%d mib=%.1f changed=%d first_s=%.3f republish_s=%.3f ratio=%.3f "
        "(goal <= 0.15)\n",
        kFiles, static_cast<double>(bytes) / (1 << 20), kChanged, first, again, again / first);
    return 0;
}

}  // namespace

int main() {
    try {
        return Main();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "publish_bench: %s\n", e.what());
        return 1;
    }
}
