#include "support/temp_dir.h"

#include <unistd.h>

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace kestrow::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrow-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string TempDir::File(std::string_view name) const {
    return (path_ / name).string();
}

void WriteFile(const std::string& path, std::string_view bytes) {
    std::filesystem::path p(path);
    if (p.has_parent_path())
        std::filesystem::create_directories(p.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string RandomBytes(std::size_t size, std::uint32_t seed) {
    std::mt19937 gen(seed);
    std::string out(size, '\0');
    for (auto& c : out)
        c = static_cast<char>(gen() & 0xFF);
    return out;
}

}  // namespace kestrow::test
