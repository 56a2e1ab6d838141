#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <limits>

#include "platform/env.h"
#include "platform/error.h"
#include "platform/files.h"

namespace kestrow::platform {
namespace {

[[noreturn]] void CannotCreate(const std::string& path, int error_code) {
    throw EFCreateError("Cannot create file \"" + path + "\". " + SystemErrorMessage(error_code));
}

}  // namespace

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

void CheckReplaceable(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode))
        CannotCreate(path, EISDIR);
    // rename() ignores the target's own bits; Windows refuses a read-only
    // target, and so do we (even for root).
    if ((st.st_mode & S_IWUSR) == 0)
        CannotCreate(path, EACCES);
}

void ReplaceFile(const std::string& from, const std::string& to) {
    CheckReplaceable(to);
    struct stat st {};
    if (stat(to.c_str(), &st) == 0 && chmod(from.c_str(), st.st_mode & 0777) != 0)
        CannotCreate(to, errno);
    if (std::rename(from.c_str(), to.c_str()) != 0)
        CannotCreate(to, errno);
}

std::int64_t FreeDiskSpace(const std::string& path) {
    struct statvfs fs {};
    if (statvfs(path.c_str(), &fs) != 0)
        return -1;
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    const std::uint64_t block = fs.f_frsize;
    const std::uint64_t blocks = fs.f_bavail;
    if (block != 0 && blocks > kMax / block)
        return static_cast<std::int64_t>(kMax);
    return static_cast<std::int64_t>(blocks * block);
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
