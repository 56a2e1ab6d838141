#include "app/updater/command_line.h"

#include <stdexcept>

namespace kestrow::updater {

UpdaterOptions ParseUpdaterArguments(const std::vector<std::string>& args) {
    UpdaterOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--full") {
            options.full_client = true;
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--lang" || arg.starts_with("--lang=")) {
            std::string value;
            if (arg == "--lang") {
                if (i + 1 >= args.size()) {
                    throw std::invalid_argument("--lang needs a value: ru or en");
                }
                value = args[++i];
            } else {
                value = arg.substr(7);
            }
            if (value == "ru") {
                options.language = 0;
            } else if (value == "en") {
                options.language = 1;
            } else {
                throw std::invalid_argument("unknown language \"" + value + "\": use ru or en");
            }
        } else {
            throw std::invalid_argument("unknown argument \"" + arg + "\"");
        }
    }
    return options;
}

const char* UpdaterUsage() {
    return "usage: kestrow-updater [--full] [--lang ru|en] [--quiet]\n"
           "Checks the game directory (the current directory) against the service and\n"
           "downloads what differs. --full also checks the whole client, not only the\n"
           "patch. Ctrl-C cancels. Exit status: 0 updated or up to date, 1 otherwise,\n"
           "2 usage error.\n";
}

}  // namespace kestrow::updater
