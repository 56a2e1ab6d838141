// kestrow-serve: a static file server for tests, demos and small services.

#include <httplib.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "file_server.h"
#include "platform/files.h"
#include "serve_options.h"

int main(int argc, char** argv) {
    using namespace kestrow;
    serve::ServeOptions options;
    try {
        options = serve::ParseServeArguments(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const serve::EUsageError& e) {
        std::cerr << "kestrow-serve: " << e.what() << "\n" << serve::kServeUsage;
        return 2;
    }
    if (options.help) {
        std::cout << serve::kServeUsage;
        return 0;
    }
    if (!platform::DirectoryExists(options.root)) {
        std::cerr << "kestrow-serve: --root '" << options.root << "' is not a directory\n";
        return 2;
    }

    httplib::Server server;
    serve::ConfigureFileServer(server, options.root);
    int port = options.port;
    bool bound = port == 0 ? (port = server.bind_to_any_port(options.host)) > 0
                           : server.bind_to_port(options.host, port);
    if (!bound) {
        std::cerr << "kestrow-serve: cannot listen on " << options.host << ":" << options.port
                  << "\n";
        return 1;
    }
    const bool ipv6 = options.host.find(':') != std::string::npos;
    const std::string shown = ipv6 ? "[" + options.host + "]" : options.host;
    std::cout << "kestrow-serve: listening on http://" << shown << ":" << port << "/" << std::endl;
    return server.listen_after_bind() ? 0 : 1;
}
