#pragma once
// Environment and per-user folders.

#include <optional>
#include <string>

namespace kestrow::platform {

// The host's directory separator ('/' on POSIX, '\' on Windows).
inline constexpr char kPathSeparator = '/';

// Value of an environment variable; empty when unset.
std::string GetEnv(const std::string& name);

// "LOCALAPPDATA": the variable when set and not empty; POSIX falls back to
// $XDG_DATA_HOME, else ~/.local/share. No trailing separator.
std::string LocalAppDataFolder();

// The roaming application-data folder (CSIDL_APPDATA); POSIX: $XDG_CONFIG_HOME,
// else ~/.config. No trailing separator; empty when it cannot be resolved.
std::string RoamingAppDataFolder();

// "USERPROFILE": the variable when set; POSIX falls back to $HOME.
std::string UserProfileFolder();

// The temporary directory (GetTempPathW); POSIX: $TMPDIR, else /tmp/.
// Always ends with a separator.
std::string TempPath();

// The current working directory, always with a trailing separator.
std::string CurrentDirectory();

// Full path of the running executable.
std::string ExecutablePath();

// Appends a separator unless the text already ends with one.
std::string WithTrailingSeparator(std::string path);

// Joins two path parts with exactly one separator between them.
std::string JoinPath(const std::string& a, const std::string& b);

}  // namespace kestrow::platform
