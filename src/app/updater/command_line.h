#pragma once
// kestrow-updater [--full] [--lang ru|en] [--quiet]

#include <optional>
#include <string>
#include <vector>

namespace kestrow::updater {

struct UpdaterOptions {
    bool full_client = false;
    std::optional<int> language;  // 0 Russian, 1 English; empty: the stored choice
    bool quiet = false;
    bool help = false;
};

// Throws std::invalid_argument with the text to show for a usage error.
UpdaterOptions ParseUpdaterArguments(const std::vector<std::string>& args);

const char* UpdaterUsage();

}  // namespace kestrow::updater
