#include "shell/cache_buster.h"

#include "core/launcher_state.h"

namespace kestrow::shell {
namespace {

// Blanks are the space and every control character, as the original trim saw them.
bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

}  // namespace

std::string AddCacheBuster(const std::string& url) {
    std::size_t begin = 0;
    std::size_t end = url.size();
    while (begin < end && IsBlank(url[begin]))
        ++begin;
    while (end > begin && IsBlank(url[end - 1]))
        --end;
    if (begin == end)
        return {};
    return url.substr(begin, end - begin) + "?" + std::to_string(core::Launcher().UnixTime);
}

}  // namespace kestrow::shell
