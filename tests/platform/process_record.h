#pragma once
// What platform_test_helper's "record" mode wrote when it was started: its
// working directory and its argv.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace kestrow::test {

struct ProcessRecord {
    std::string cwd;          // with a trailing '/'
    std::string descriptors;  // inherited above standard error, as "3,7"
    std::vector<std::string> argv;
};

// The started program is not waited for: its record appears (renamed into
// place whole) when it has run. Removed once read, so the next can follow.
inline std::optional<ProcessRecord> AwaitProcessRecord(const std::string& path) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!std::filesystem::exists(path)) {
        if (std::chrono::steady_clock::now() > deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const std::string raw = ReadFile(path);
    std::filesystem::remove(path);
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t end; (end = raw.find('\0', start)) != std::string::npos; start = end + 1)
        fields.push_back(raw.substr(start, end - start));
    if (fields.size() < 2)
        return std::nullopt;
    return ProcessRecord{fields[0], fields[1], {fields.begin() + 2, fields.end()}};
}

// A folder as the started program sees it (links resolved), with a trailing '/'.
inline std::string CanonicalFolder(const std::string& dir) {
    std::string path = std::filesystem::canonical(dir).string();
    return path.ends_with('/') ? path : path + "/";
}

}  // namespace kestrow::test
