#include "synthetic_client.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <vector>

namespace kestrow::bench {
namespace {

namespace fs = std::filesystem;

class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    std::uint64_t Next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1Dull;
    }
    double Unit() { return static_cast<double>(Next() >> 11) / 9007199254740992.0; }

  private:
    std::uint64_t state_;
};

enum class Kind { Text, Binary, Noise };

// Fills buffers of one file; state carries over between calls.
class ContentSource {
  public:
    ContentSource(Kind kind, std::uint64_t seed) : kind_(kind), rng_(seed) {}
    void Fill(std::string& out, std::size_t size) {
        out.clear();
        switch (kind_) {
            case Kind::Text:
                while (out.size() < size)
                    AppendTextLine(out);
                break;
            case Kind::Binary:
                while (out.size() < size)
                    AppendRecord(out);
                break;
            case Kind::Noise:
                out.resize(size + 8);
                for (std::size_t i = 0; i < size; i += 8) {
                    const std::uint64_t r = rng_.Next();
                    std::memcpy(&out[i], &r, 8);
                }
                break;
        }
        // The tail past size is dropped; the next chunk starts a fresh line or record.
        out.resize(size);
    }

  private:
    // Configuration- and script-like lines from a small vocabulary.
    void AppendTextLine(std::string& out) {
        static const char* kWords[] = {"player",  "skill",  "level", "quest",  "npc",
                                       "item_id", "weapon", "armor", "drop",   "rate",
                                       "map",     "zone",   "spawn", "effect", "sound"};
        const std::uint64_t r = rng_.Next();
        out += kWords[r % std::size(kWords)];
        out += '_';
        out += kWords[(r >> 8) % std::size(kWords)];
        out += " = ";
        out += std::to_string((r >> 16) % 1000);
        if ((r >> 26) % 4 == 0) {
            out += ", ";
            out += kWords[(r >> 30) % std::size(kWords)];
        }
        out += (r >> 40) % 8 == 0 ? "\r\n\r\n" : "\r\n";
    }
    // Records of ids, small integers, floats and repeated tags.
    void AppendRecord(std::string& out) {
        const std::uint64_t r = rng_.Next();
        const std::uint32_t id = static_cast<std::uint32_t>(record_++);
        out.append(reinterpret_cast<const char*>(&id), 4);
        const std::uint16_t small = static_cast<std::uint16_t>(r % 300);
        out.append(reinterpret_cast<const char*>(&small), 2);
        const float f = static_cast<float>(r % 10000) / 7.0f;
        out.append(reinterpret_cast<const char*>(&f), 4);
        out.append("MESH\0\0", 6);
        out.append(reinterpret_cast<const char*>(&r), 1 + r % 8);
        out.append(static_cast<std::size_t>((r >> 20) % 9), '\0');
    }

    Kind kind_;
    Random rng_;
    std::uint64_t record_ = 0;
};

void WriteFile(const fs::path& path, std::uint64_t size, Kind kind, std::uint64_t seed) {
    fs::create_directories(path.parent_path());
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                         &std::fclose);
    if (!file)
        throw std::runtime_error("cannot create " + path.string());
    ContentSource source(kind, seed);
    std::string chunk;
    for (std::uint64_t done = 0; done < size;) {
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(size - done, 1 << 20));
        source.Fill(chunk, n);
        if (std::fwrite(chunk.data(), 1, n, file.get()) != n)
            throw std::runtime_error("cannot write " + path.string());
        done += n;
    }
    if (std::fclose(file.release()) != 0)
        throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

SyntheticSummary WriteSyntheticClient(const std::string& root) {
    static const char* kFolders[] = {"system",       "system/en", "system/ru", "maps",
                                     "textures",     "sounds",    "music",     "animations",
                                     "staticmeshes", "Voice Pack"};
    static const char* kExtensions[] = {".ini", ".dat", ".utx", ".unr", ".uax",
                                        ".ogg", ".ukx", ".usx", ".int", ".u"};
    constexpr std::uint64_t kMiB = 1 << 20;
    struct Large {
        std::uint64_t mib;
        Kind kind;
        const char* name;
    };
    static const Large kLarge[] = {
        {60, Kind::Binary, "maps/world.unr"},         {45, Kind::Noise, "music/theme.ogg"},
        {34, Kind::Text, "system/l2 data.dat"},       {26, Kind::Binary, "textures/terrain.utx"},
        {20, Kind::Noise, "sounds/ambient.uax"},      {15, Kind::Text, "system/ru/npcgrp.dat"},
        {11, Kind::Binary, "animations/fighter.ukx"}, {8, Kind::Noise, "Voice Pack/intro.ogg"},
        {6, Kind::Binary, "staticmeshes/castle.usx"}, {5, Kind::Text, "system/en/skillname.dat"},
    };
    constexpr int kSmall = 1990;

    SyntheticSummary summary;
    const fs::path base(root);
    Random rng(20261211);
    for (const Large& l : kLarge) {
        WriteFile(base / l.name, l.mib * kMiB, l.kind, rng.Next());
        summary.bytes += l.mib * kMiB;
        ++summary.files;
    }
    for (int i = 0; i < kSmall; ++i) {
        const std::uint64_t r = rng.Next();
        // Log-uniform from 256 B to 256 KiB; a few empty files.
        std::uint64_t size = static_cast<std::uint64_t>(256.0 * std::pow(1024.0, rng.Unit()));
        if (i % 700 == 13)
            size = 0;
        const unsigned pick = static_cast<unsigned>(r % 100);
        const Kind kind = pick < 45 ? Kind::Text : pick < 80 ? Kind::Binary : Kind::Noise;
        char name[32];
        std::snprintf(name, sizeof name, "f%04d", i);
        const fs::path path = base / kFolders[(r >> 8) % std::size(kFolders)] /
                              (std::string(name) + kExtensions[(r >> 16) % std::size(kExtensions)]);
        WriteFile(path, size, kind, rng.Next());
        summary.bytes += size;
        ++summary.files;
    }
    return summary;
}

}  // namespace kestrow::bench
