#include "log/updater_paths.h"

#include "platform/env.h"
#include "platform/files.h"

namespace kestrow::log {
namespace {

std::string CreatedDirectory(const std::string& parent, const char* name) {
    std::string path = platform::WithTrailingSeparator(platform::JoinPath(parent, name));
    platform::CreateDirectoryChain(path);
    return path;
}

}  // namespace

std::string GetLocalAppDataDir() {
    std::string base = platform::LocalAppDataFolder();
    if (base.empty())
        base = platform::RoamingAppDataFolder();
    return platform::WithTrailingSeparator(base);
}

std::string GetUpdaterDataDir() {
    return CreatedDirectory(platform::JoinPath(GetLocalAppDataDir(), "Kestrow"), "Updater");
}

std::string GetUpdaterLogDir() {
    return CreatedDirectory(GetUpdaterDataDir(), "logs");
}

std::string GetUpdaterCacheFilePath() {
    return GetUpdaterDataDir() + "updater_cache_v1.dat";
}

}  // namespace kestrow::log
