#include "serve_options.h"

#include <charconv>

namespace kestrow::serve {

const char* const kServeUsage =
    "Usage: kestrow-serve --root DIR [--host 127.0.0.1] [--port N]\n"
    "Serves the files below DIR over HTTP/1.1 with kept-alive connections.\n"
    "The query of a request is ignored; %-encoded names are decoded.\n"
    "\n"
    "  --root DIR   directory to serve (required)\n"
    "  --host HOST  address to listen on (default 127.0.0.1)\n"
    "  --port N     port to listen on; 0 picks a free one (default 0)\n"
    "  --help       show this text\n"
    "\n"
    "The first line of output names the address served, e.g.\n"
    "kestrow-serve: listening on http://127.0.0.1:8080/\n";

ServeOptions ParseServeArguments(const std::vector<std::string>& args) {
    ServeOptions options;
    bool have_root = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return options;
        }
        if (arg != "--root" && arg != "--host" && arg != "--port") {
            throw EUsageError("unknown argument '" + arg + "'");
        }
        if (i + 1 >= args.size())
            throw EUsageError(arg + " needs a value");
        const std::string& value = args[++i];
        if (arg == "--root") {
            if (value.empty())
                throw EUsageError("--root needs a directory");
            options.root = value;
            have_root = true;
        } else if (arg == "--host") {
            if (value.empty())
                throw EUsageError("--host needs an address");
            options.host = value;
        } else {
            int port = -1;
            auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), port);
            if (ec != std::errc() || end != value.data() + value.size() || port < 0 ||
                port > 65535) {
                throw EUsageError("--port wants a number from 0 to 65535, not '" + value + "'");
            }
            options.port = port;
        }
    }
    if (!have_root)
        throw EUsageError("--root DIR is required");
    return options;
}

}  // namespace kestrow::serve
