#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/env.h"
#include "platform/files.h"

namespace kestrow::platform {

bool CreateDirectoryChain(const std::string& path) {
    if (path.empty())
        return false;
    std::string partial;
    partial.reserve(path.size());
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == kPathSeparator) {
            if (!partial.empty() && partial != "/") {
                if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST)
                    return false;
            }
        }
        if (i < path.size())
            partial.push_back(path[i]);
    }
    return DirectoryExists(path);
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::int64_t FileSize(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return -1;
    return static_cast<std::int64_t>(st.st_size);
}

bool IsReadOnly(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0;
}

bool SetNormalAttributes(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return false;
    return chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0;
}

bool DeleteFile(const std::string& path) {
    return unlink(path.c_str()) == 0;
}

std::string GameToHostPath(std::string_view game_relative) {
    std::string out(game_relative);
    for (char& c : out) {
        if (c == '\\')
            c = kPathSeparator;
    }
    return out;
}

std::string ParentDirectory(const std::string& path) {
    size_t pos = path.find_last_of(kPathSeparator);
    if (pos == std::string::npos)
        return {};
    if (pos == 0)
        return std::string(1, kPathSeparator);
    return path.substr(0, pos);
}

}  // namespace kestrow::platform
