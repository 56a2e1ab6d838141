#pragma once
// Scratch directory and timing helpers for the archive benchmarks.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

namespace kestrow::bench {

// A fresh directory under the temp folder, removed with its content.
class ScratchDir {
  public:
    explicit ScratchDir(const std::string& prefix);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Free bytes on the file system holding path.
std::uint64_t FreeBytes(const std::filesystem::path& path);

// Seconds taken by fn().
template <typename Fn>
double Seconds(Fn&& fn) {
    const auto start = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Deterministic pseudo-random generator (xorshift64*).
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    std::uint64_t Next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1Dull;
    }

  private:
    std::uint64_t state_;
};

}  // namespace kestrow::bench
