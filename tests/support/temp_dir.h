#pragma once
// A fresh directory under the system temp folder, removed with everything in it
// when the object goes away.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace kestrow::test {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // Path of a name inside the directory (forward slashes).
    std::string File(std::string_view name) const;

  private:
    std::filesystem::path path_;
};

// Writes bytes to a file, creating parent directories.
void WriteFile(const std::string& path, std::string_view bytes);
// Whole content of a file; throws when it cannot be read.
std::string ReadFile(const std::string& path);
// Deterministic pseudo-random bytes.
std::string RandomBytes(std::size_t size, std::uint32_t seed);

}  // namespace kestrow::test
