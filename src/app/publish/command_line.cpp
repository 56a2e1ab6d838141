#include "app/publish/command_line.h"

#include <charconv>
#include <string_view>

namespace kestrow::publish {
namespace {

long long ParseNumber(const std::string& option, const std::string& text, long long low,
                      long long high) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < low || value > high) {
        throw UsageError(option + " expects a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", got \"" + text + "\"");
    }
    return value;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

const char* HelpText() {
    return R"(Usage:
  kestrow-publish --client DIR [--patch DIR] --out DIR --base-url URL [options]
  kestrow-publish crc FILE...
  kestrow-publish --help

Writes everything a game service serves for the launcher: one .lzma archive
per file, the client and patch catalogues, and OUT/_files/options.xml, whose
every address lies under URL. Serving OUT at URL is a complete service.

  OUT/_files/options.xml      the options document
  OUT/_files/clientlist.xml   client catalogue (every file of --client)
  OUT/_files/patchlist.xml    patch catalogue (every file of --patch; empty without it)
  OUT/client/<path>.lzma      client archives
  OUT/patch/<path>.lzma       patch archives
  OUT/_files/<name>           the updater and the change log, when given

Options:
  --client DIR            full client directory (required)
  --patch DIR             patch directory
  --out DIR               output directory, created when missing (required)
  --base-url URL          http:// address where OUT will be served (required)
  --reuse PREVIOUS_OUT    take the archive of every file whose size and CRC-32
                          equal its entry in PREVIOUS_OUT's catalogues from there
                          (hard link, else copy) instead of compressing it again
  --preset N              LZMA preset 0-9, optionally with "e" (extreme); default 6
  --jobs N                compression threads; default: one per core
  --crit NAME             add a CritFiles entry to the patch catalogue (repeatable)
  --version V             launcher version announced; default: the version record
                          of --updater, else this tool's own version
  --critical-version N    critical version (forces an update run when raised); default 0
  --block-update          announce that updating is blocked
  --updater FILE          newest launcher executable, copied to OUT/_files/
  --changelog FILE        change log text, copied to OUT/_files/
  --site URL, --forum URL, --info URL, --register URL
                          links shown by the launcher
  --no-progress           no progress display even on a terminal

  crc FILE...             print "<CRC> <size> <path>" for each file

Exit status: 0 success, 1 failure, 2 usage error.
)";
}

Command ParseCommandLine(const std::vector<std::string>& args) {
    Command command;
    if (args.empty()) {
        throw UsageError("nothing to do");
    }
    if (args[0] == "crc") {
        command.kind = Command::Kind::Crc;
        command.crc_files.assign(args.begin() + 1, args.end());
        if (command.crc_files.empty()) {
            throw UsageError("crc expects at least one file");
        }
        return command;
    }
    PublishOptions& o = command.publish;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) {
                throw UsageError(arg + " expects a value");
            }
            return args[++i];
        };
        if (arg == "--help" || arg == "-h") {
            command.kind = Command::Kind::Help;
            return command;
        } else if (arg == "--client") {
            o.client_dir = value();
        } else if (arg == "--patch") {
            o.patch_dir = value();
        } else if (arg == "--out") {
            o.out_dir = value();
        } else if (arg == "--reuse") {
            o.reuse_dir = value();
        } else if (arg == "--base-url") {
            o.base_url = value();
        } else if (arg == "--preset") {
            std::string text = value();
            if (!text.empty() && text.back() == 'e') {
                o.extreme = true;
                text.pop_back();
            }
            o.preset = static_cast<std::uint32_t>(ParseNumber(arg, text, 0, 9));
        } else if (arg == "--jobs") {
            o.jobs = static_cast<unsigned>(ParseNumber(arg, value(), 1, 1024));
        } else if (arg == "--crit") {
            o.crit_files.push_back(value());
        } else if (arg == "--version") {
            o.version = value();
        } else if (arg == "--critical-version") {
            o.critical_version = static_cast<int>(ParseNumber(arg, value(), 0, 2147483647));
        } else if (arg == "--block-update") {
            o.block_update = true;
        } else if (arg == "--updater") {
            o.updater_file = value();
        } else if (arg == "--changelog") {
            o.changelog_file = value();
        } else if (arg == "--site") {
            o.site = value();
        } else if (arg == "--forum") {
            o.forum = value();
        } else if (arg == "--info") {
            o.info = value();
        } else if (arg == "--register") {
            o.register_url = value();
        } else if (arg == "--no-progress") {
            o.progress = false;
        } else {
            throw UsageError("unknown argument \"" + arg + "\"");
        }
    }
    if (o.client_dir.empty()) {
        throw UsageError("--client is required");
    }
    if (o.out_dir.empty()) {
        throw UsageError("--out is required");
    }
    if (o.base_url.empty()) {
        throw UsageError("--base-url is required");
    }
    if (!StartsWithNoCase(o.base_url, "http://") && !StartsWithNoCase(o.base_url, "https://")) {
        throw UsageError("--base-url must begin with http:// (got \"" + o.base_url + "\")");
    }
    // Catalogue addresses are requested as written; spaces must not reach the wire.
    for (std::size_t at = o.base_url.find(' '); at != std::string::npos;
         at = o.base_url.find(' ', at)) {
        o.base_url.replace(at, 1, "%20");
    }
    while (!o.base_url.empty() && o.base_url.back() == '/') {
        o.base_url.pop_back();
    }
    command.kind = Command::Kind::Publish;
    return command;
}

}  // namespace kestrow::publish
