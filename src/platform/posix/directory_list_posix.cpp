#include <dirent.h>
#include <sys/stat.h>

#include <memory>
#include <string_view>

#include "platform/directory_list.h"
#include "platform/env.h"

namespace kestrow::platform {
namespace {

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

}  // namespace

std::vector<DirectoryEntry> ListDirectory(const std::string& path) {
    std::vector<DirectoryEntry> entries;
    std::unique_ptr<DIR, DirCloser> dir(::opendir(path.c_str()));
    if (!dir)
        return entries;
    const std::string prefix = WithTrailingSeparator(path);
    while (const dirent* entry = ::readdir(dir.get())) {
        std::string_view name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        struct stat st {};
        bool is_dir = ::stat((prefix + entry->d_name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        entries.push_back({std::string(name), is_dir});
    }
    return entries;
}

}  // namespace kestrow::platform
