// DecompressLZMAFile against `xz --format=lzma -dc` on the same archives
// (preset 6, one core each), over compressible, binary and incompressible data.

#include <lzma.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>
#include <vector>

#include "archive/lzma_decompressor.h"
#include "bench_support.h"

namespace {

using kestrow::bench::Random;
using kestrow::bench::ScratchDir;
using kestrow::bench::Seconds;
namespace fs = std::filesystem;

constexpr std::size_t kPieceSize = 6 << 20;

// Word soup with a small vocabulary, like configuration and script files.
std::string TextData(std::size_t size, std::uint64_t seed) {
    static const char* kWords[] = {"player", "skill",   "level", "=", "0", "1",  "quest",
                                   "npc",    "item_id", "\n",    ";", " ", "42", "weapon",
                                   "armor",  "drop",    "rate",  ",", "{", "}",  "map"};
    Random rng(seed);
    std::string out;
    while (out.size() < size)
        out += kWords[rng.Next() % std::size(kWords)];
    out.resize(size);
    return out;
}

// Records of small integers, floats and repeated tags, like game data files.
std::string BinaryData(std::size_t size, std::uint64_t seed) {
    Random rng(seed);
    std::string out;
    while (out.size() < size) {
        const std::uint64_t r = rng.Next();
        const std::uint32_t id = static_cast<std::uint32_t>(out.size() / 32);
        out.append(reinterpret_cast<const char*>(&id), 4);
        const std::uint16_t small = static_cast<std::uint16_t>(r % 300);
        out.append(reinterpret_cast<const char*>(&small), 2);
        const float f = static_cast<float>(r % 10000) / 7.0f;
        out.append(reinterpret_cast<const char*>(&f), 4);
        out.append("MESH\0\0", 6);
        out.append(reinterpret_cast<const char*>(&r), 1 + r % 8);
        out.append(static_cast<std::size_t>(r % 9), '\0');
    }
    out.resize(size);
    return out;
}

std::string RandomData(std::size_t size, std::uint64_t seed) {
    Random rng(seed);
    std::string out(size, '\0');
    for (auto& c : out)
        c = static_cast<char>(rng.Next() >> 56);
    return out;
}

std::string Compress(const std::string& data) {
    lzma_options_lzma options{};
    lzma_lzma_preset(&options, 6);
    lzma_stream strm = LZMA_STREAM_INIT;
    if (lzma_alone_encoder(&strm, &options) != LZMA_OK)
        throw std::runtime_error("encoder");
    std::string out(data.size() + data.size() / 8 + 65536, '\0');
    strm.next_in = reinterpret_cast<const std::uint8_t*>(data.data());
    strm.avail_in = data.size();
    strm.next_out = reinterpret_cast<std::uint8_t*>(out.data());
    strm.avail_out = out.size();
    const lzma_ret ret = lzma_code(&strm, LZMA_FINISH);
    out.resize(out.size() - strm.avail_out);
    lzma_end(&strm);
    if (ret != LZMA_STREAM_END)
        throw std::runtime_error("encode");
    // Real archives carry their size; the decoder stops there.
    for (int i = 0; i < 8; ++i)
        out[5 + i] = static_cast<char>((data.size() >> (8 * i)) & 0xFF);
    return out;
}

void Save(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main() {
    ScratchDir dir("kestrow-lzma-bench");
    const fs::path archives = dir.Path() / "archives";
    const fs::path work = dir.Path() / "work";
    fs::create_directories(archives);

    // Three kinds, three pieces each: about 54 MB unpacked.
    struct Piece {
        std::string name;
        std::string (*make)(std::size_t, std::uint64_t);
    };
    const Piece kinds[] = {{"text", TextData}, {"binary", BinaryData}, {"random", RandomData}};
    std::vector<std::pair<std::string, std::string>> inputs;
    for (int i = 0; i < 3; ++i) {
        for (const auto& k : kinds) {
            inputs.emplace_back(k.name + std::to_string(i),
                                k.make(kPieceSize, static_cast<std::uint64_t>(i + 1)));
        }
    }
    std::uint64_t unpacked = 0;
    for (const auto& in : inputs)
        unpacked += in.second.size();
    {
        std::vector<std::jthread> threads;
        const unsigned workers = std::max(2u, std::thread::hardware_concurrency());
        for (unsigned w = 0; w < workers; ++w) {
            threads.emplace_back([&, w] {
                for (std::size_t i = w; i < inputs.size(); i += workers) {
                    Save(archives / (inputs[i].first + ".lzma"), Compress(inputs[i].second));
                }
            });
        }
    }
    inputs.clear();

    std::vector<fs::path> files;
    std::uint64_t packed = 0;
    for (const auto& e : fs::directory_iterator(archives)) {
        files.push_back(e.path());
        packed += fs::file_size(e.path());
    }
    std::sort(files.begin(), files.end());
    std::string command = "xz --format=lzma -dc";
    for (const auto& f : files)
        command += " '" + f.string() + "'";
    command += " >/dev/null";

    double best_xz = 1e9, best_ours = 1e9;
    for (int rep = 0; rep < 3; ++rep) {
        bool ok = true;
        best_xz = std::min(best_xz, Seconds([&] { ok = std::system(command.c_str()) == 0; }));
        if (!ok) {
            std::fprintf(stderr, "lzma_bench: xz failed\n");
            return 1;
        }
        fs::remove_all(work);
        fs::create_directories(work);
        for (const auto& f : files)
            fs::copy_file(f, work / f.filename());
        best_ours = std::min(best_ours, Seconds([&] {
                                 for (const auto& f : files) {
                                     const fs::path in = work / f.filename();
                                     kestrow::archive::DecompressLZMAFile(
                                         in.string(), (work / f.stem()).string());
                                 }
                             }));
        std::uint64_t out_bytes = 0;
        for (const auto& f : files)
            out_bytes += fs::file_size(work / f.stem());
        if (out_bytes != unpacked) {
            std::fprintf(stderr, "lzma_bench: unpacked %llu bytes, expected %llu\n",
                         static_cast<unsigned long long>(out_bytes),
                         static_cast<unsigned long long>(unpacked));
            return 1;
        }
    }
    const double mb = static_cast<double>(unpacked) / 1e6;
    const double ours = mb / best_ours, reference = mb / best_xz;
    std::printf("archives=%zu unpacked=%llu packed=%llu\n", files.size(),
                static_cast<unsigned long long>(unpacked), static_cast<unsigned long long>(packed));
    std::printf("lzma: ours_mbps=%.1f reference=xz reference_mbps=%.1f ratio=%.2f\n", ours,
                reference, ours / reference);
    return 0;
}
