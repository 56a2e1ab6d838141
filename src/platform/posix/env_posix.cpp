#include <limits.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/env.h"

namespace kestrow::platform {
namespace {

std::string HomeDirectory() {
    std::string home = GetEnv("HOME");
    if (!home.empty())
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return {};
}

// XDG base directories must be absolute; a relative one is ignored, or the
// settings and logs would follow whatever the working directory is.
std::string EnvOrHome(const char* variable, const char* below_home) {
    std::string value = GetEnv(variable);
    if (!value.empty() && value.front() == kPathSeparator)
        return value;
    std::string home = HomeDirectory();
    return home.empty() ? std::string() : JoinPath(home, below_home);
}

std::string WithoutTrailingSeparator(std::string path) {
    while (path.size() > 1 && path.back() == kPathSeparator)
        path.pop_back();
    return path;
}

}  // namespace

std::string GetEnv(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value ? std::string(value) : std::string();
}

std::string LocalAppDataFolder() {
    std::string value = GetEnv("LOCALAPPDATA");
    if (!value.empty())
        return WithoutTrailingSeparator(value);
    return WithoutTrailingSeparator(EnvOrHome("XDG_DATA_HOME", ".local/share"));
}

std::string RoamingAppDataFolder() {
    return WithoutTrailingSeparator(EnvOrHome("XDG_CONFIG_HOME", ".config"));
}

std::string UserProfileFolder() {
    std::string value = GetEnv("USERPROFILE");
    return value.empty() ? HomeDirectory() : value;
}

std::string TempPath() {
    std::string value = GetEnv("TMPDIR");
    return WithTrailingSeparator(value.empty() ? std::string("/tmp") : value);
}

std::string CurrentDirectory() {
    std::vector<char> buf(PATH_MAX);
    if (!getcwd(buf.data(), buf.size()))
        return WithTrailingSeparator(".");
    return WithTrailingSeparator(buf.data());
}

std::string ExecutablePath() {
    std::vector<char> buf(PATH_MAX + 1);
    ssize_t n = readlink("/proc/self/exe", buf.data(), PATH_MAX);
    return n > 0 ? std::string(buf.data(), static_cast<size_t>(n)) : std::string();
}

std::string WithTrailingSeparator(std::string path) {
    if (path.empty() || path.back() != kPathSeparator)
        path.push_back(kPathSeparator);
    return path;
}

std::string JoinPath(const std::string& a, const std::string& b) {
    if (a.empty())
        return b;
    std::string rest = b;
    while (!rest.empty() && rest.front() == kPathSeparator)
        rest.erase(rest.begin());
    return WithTrailingSeparator(a) + rest;
}

}  // namespace kestrow::platform
