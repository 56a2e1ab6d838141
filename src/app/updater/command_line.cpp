#include "app/updater/command_line.h"

#include <charconv>
#include <stdexcept>

#include "update/extract_worker.h"

namespace kestrow::updater {

UpdaterOptions ParseUpdaterArguments(const std::vector<std::string>& args) {
    UpdaterOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // "--name value" or "--name=value".
        const auto value_of = [&](const std::string& name) -> std::optional<std::string> {
            if (arg == name) {
                if (i + 1 >= args.size()) {
                    throw std::invalid_argument(name + " needs a value");
                }
                return args[++i];
            }
            if (arg.starts_with(name + "=")) {
                return arg.substr(name.size() + 1);
            }
            return std::nullopt;
        };
        if (arg == "--full") {
            options.full_client = true;
        } else if (arg == "--check") {
            options.check = true;
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (const auto lang = value_of("--lang")) {
            if (*lang == "ru") {
                options.language = 0;
            } else if (*lang == "en") {
                options.language = 1;
            } else {
                throw std::invalid_argument("unknown language \"" + *lang + "\": use ru or en");
            }
        } else if (const auto dir = value_of("--dir")) {
            if (dir->empty()) {
                throw std::invalid_argument("--dir needs a directory");
            }
            options.game_directory = *dir;
        } else if (const auto count = value_of("--extract-workers")) {
            int n = 0;
            const char* end = count->data() + count->size();
            const auto [ptr, ec] = std::from_chars(count->data(), end, n);
            if (count->empty() || ec != std::errc() || ptr != end || n < 1 ||
                n > update::kMaxExtractThreads) {
                throw std::invalid_argument("--extract-workers expects a number from 1 to " +
                                            std::to_string(update::kMaxExtractThreads) +
                                            ", got \"" + *count + "\"");
            }
            options.extract_workers = n;
        } else {
            throw std::invalid_argument("unknown argument \"" + arg + "\"");
        }
    }
    return options;
}

const char* UpdaterUsage() {
    return "usage: kestrow-updater [--full] [--check] [--dir DIR] [--extract-workers N]\n"
           "                       [--lang ru|en] [--quiet] [--version] [--help]\n"
           "Checks the game directory against the service and downloads what differs.\n"
           "  --full               check the whole client, not only the patch files\n"
           "  --check              compare only: print each file that would be downloaded\n"
           "                       and why, change nothing; exit 0 when nothing differs,\n"
           "                       3 when something does\n"
           "  --dir DIR            the game directory (default: the current directory)\n"
           "  --extract-workers N  unpack with N threads, 1 to 16 (default 1)\n"
           "  --lang ru|en         the language of the texts (default: the launcher's)\n"
           "  --quiet              no progress display\n"
           "  --version            the program's version and the libraries it uses\n"
           "Ctrl-C cancels (the files in progress finish); a second Ctrl-C stops at once.\n"
           "Exit status: 0 updated or up to date, 1 otherwise, 2 usage error, 3 --check\n"
           "found differences, 130 stopped at once.\n";
}

}  // namespace kestrow::updater
