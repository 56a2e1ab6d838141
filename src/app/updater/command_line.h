#pragma once
// kestrow-updater [--full] [--check] [--dir DIR] [--extract-workers N]
//                 [--lang ru|en] [--quiet] [--version] [--help]

#include <optional>
#include <string>
#include <vector>

namespace kestrow::updater {

struct UpdaterOptions {
    bool full_client = false;
    bool check = false;          // compare only, change nothing
    std::string game_directory;  // empty: the working directory
    int extract_workers = 1;
    std::optional<int> language;  // 0 Russian, 1 English; empty: the stored choice
    bool quiet = false;
    bool help = false;
    bool version = false;
};

// Throws std::invalid_argument with the text to show for a usage error.
UpdaterOptions ParseUpdaterArguments(const std::vector<std::string>& args);

const char* UpdaterUsage();

}  // namespace kestrow::updater
