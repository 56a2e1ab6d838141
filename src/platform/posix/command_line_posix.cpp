#include <fstream>
#include <iterator>

#include "platform/command_line.h"

namespace kestrow::platform {

std::vector<std::string> ProcessArguments() {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> args;
    std::size_t start = 0;
    while (start < raw.size()) {
        std::size_t end = raw.find('\0', start);
        if (end == std::string::npos)
            end = raw.size();
        args.emplace_back(raw, start, end - start);
        start = end + 1;
    }
    return args;
}

}  // namespace kestrow::platform
