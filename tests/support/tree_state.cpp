#include "support/tree_state.h"

#include <sys/stat.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace kestrow::test {

namespace fs = std::filesystem;

std::vector<std::string> ArchivesAndPartsBelow(const std::string& dir) {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        const std::string name = e.path().filename().string();
        if (name.ends_with(".lzma") || name.ends_with(".kestrow-part"))
            out.push_back(name);
    }
    return out;
}

std::map<std::string, std::string> TreeSnapshot(const std::string& root) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        struct stat st {};
        ::lstat(e.path().c_str(), &st);
        std::string state = std::to_string(st.st_mode) + " " + std::to_string(st.st_mtim.tv_sec) +
                            "." + std::to_string(st.st_mtim.tv_nsec);
        if (e.is_regular_file() && (st.st_mode & S_IRUSR) != 0)
            state += " " + ReadFile(e.path().string());
        out[fs::relative(e.path(), root).generic_string()] = state;
    }
    return out;
}

}  // namespace kestrow::test
