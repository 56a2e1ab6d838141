#include "bench_support.h"

#include <random>

#include "platform/env.h"

namespace kestrow::bench {

ScratchDir::ScratchDir(const std::string& prefix) {
    std::random_device rd;
    path_ = std::filesystem::path(platform::TempPath()) /
            (prefix + "-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(path_);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::uint64_t FreeBytes(const std::filesystem::path& path) {
    return std::filesystem::space(path).available;
}

}  // namespace kestrow::bench
