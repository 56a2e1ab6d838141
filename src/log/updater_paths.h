#pragma once
// The launcher's per-user folders. Every directory path ends with the host's
// separator; the data and log directories are created each time they are asked for.

#include <string>

namespace kestrow::log {

// "LOCALAPPDATA" (POSIX: $XDG_DATA_HOME, else ~/.local/share), else the roaming
// application-data folder; with a trailing separator. Nothing resolvable: the root.
std::string GetLocalAppDataDir();

// base + "Kestrow/Updater/"; the chain is created, failure is not checked.
std::string GetUpdaterDataDir();

// data directory + "logs/"; created, failure is not checked.
std::string GetUpdaterLogDir();

// data directory + "updater_cache_v1.dat". Only logged; nothing opens this file.
std::string GetUpdaterCacheFilePath();

}  // namespace kestrow::log
