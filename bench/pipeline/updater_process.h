#pragma once
// kestrow-updater started as a player would start it, on a terminal: its
// stderr is a pseudo-terminal that this process drains.

#include <string>
#include <vector>

namespace kestrow::bench {

struct UpdaterResult {
    double seconds = 0;             // from start to exit
    int exit_code = -1;             // 128 + signal when killed
    long max_rss_kib = 0;           // peak resident memory of the program (VmHWM)
    std::string last_line;          // the last line on stdout
    std::size_t display_bytes = 0;  // bytes the display wrote to the terminal
};

// Runs program with args in work_dir with env_overrides ("NAME=value") added
// to this process's environment. Throws std::runtime_error when it cannot start.
UpdaterResult RunOnTerminal(const std::string& program, const std::vector<std::string>& args,
                            const std::string& work_dir,
                            const std::vector<std::string>& env_overrides);

}  // namespace kestrow::bench
