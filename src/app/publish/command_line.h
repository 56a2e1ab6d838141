#pragma once
// The command line of kestrow-publish.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/error.h"

namespace kestrow::publish {

// Bad usage: the tool prints the message and a hint, and exits with 2.
using Error = platform::Error;
KESTROW_DECLARE_ERROR(UsageError, Error);

struct PublishOptions {
    std::string client_dir;
    std::string patch_dir;  // empty: the patch catalogue lists no archives
    std::string out_dir;
    std::string reuse_dir;  // an earlier publish's output; empty: compress everything
    std::string base_url;   // without trailing '/'
    std::uint32_t preset = 6;
    bool extreme = false;
    unsigned jobs = 0;  // 0: one per core
    std::vector<std::string> crit_files;
    std::string version;  // empty: taken from the updater, else this tool's own
    int critical_version = 0;
    bool block_update = false;
    std::string updater_file;
    std::string changelog_file;
    std::string site, forum, info, register_url;
    bool progress = true;
};

struct Command {
    enum class Kind { Publish, Crc, Help } kind = Kind::Help;
    PublishOptions publish;
    std::vector<std::string> crc_files;
};

// Throws UsageError for unknown options, missing values and bad numbers.
Command ParseCommandLine(const std::vector<std::string>& args);

const char* HelpText();

}  // namespace kestrow::publish
