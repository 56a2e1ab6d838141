#pragma once
// The per-user settings store: keys with subkeys and typed values, the
// stand-in for the registry under HKEY_CURRENT_USER.
//
// Key paths are written as the registry writes them, with backslashes
// ("Software\KestrowUpdater\Settings"), at most 255 bytes as the registry's are.
// Key and value names compare without letter case (A to Z), keeping the case
// they were first written with.
//
// POSIX: one file, $XDG_CONFIG_HOME/kestrow/settings.store (else
// ~/.config/kestrow/settings.store), mode 0600. Every write takes an exclusive
// flock on settings.store.lock beside it, re-reads the file, changes it and
// replaces it atomically (temp file, fsync, rename), so two launchers never
// lose each other's values. Reads take no lock: they see either the old or the
// new file. The format is line based, UTF-8:
//
//   kestrow-settings 1
//   key <key path>
//   sz <value name> <text>
//   dword <value name> <decimal 0..4294967295>
//
// Fields are separated by one space. Value lines belong to the key line above
// them; every key along a path has its own line. In every field the bytes
// '%', 0x00..0x20 and 0x7F are written as %XX (upper-case hex), so a field
// never holds a blank or a line break; an empty field is allowed.
//
// Files edited by hand are read leniently: a byte-order mark, CR LF line ends
// and blanks around a line are accepted, and a line that still does not parse
// is written back unchanged, never dropped. A file whose first line is not the
// store's is moved aside (under the lock) as
// settings.store.damaged-<yyyymmdd-hhmmss> with a warning, and a fresh store
// starts in its place.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/error.h"

namespace kestrow::platform {

// A key that cannot be opened or created, a missing value, a value of another
// type, or a store file that cannot be read or written.
KESTROW_DECLARE_ERROR(ESettingsError, Error);

enum class SettingType {
    Text,   // REG_SZ
    DWord,  // REG_DWORD
};

// The store file (POSIX); empty when no config folder can be resolved.
std::string SettingsStorePath();

// Receives the warning about a damaged store file moved aside (the log's
// LogWarn once the log is up); null: none. Called without any lock held.
using SettingsWarningSink = void (*)(std::string_view message) noexcept;
void SetSettingsWarningSink(SettingsWarningSink sink) noexcept;

// An open key, the stand-in for an HKEY opened with KEY_ALL_ACCESS. Cheap to
// copy; holds no OS handle of its own on POSIX. Every operation checks whether
// the file changed, so values written by another process are seen at once;
// the file is parsed again only then.
class SettingsKey {
  public:
    // RegCreateKeyExW below HKEY_CURRENT_USER: opens the key, creating it and
    // every missing key above it. Throws ESettingsError.
    static SettingsKey Create(std::string_view path);
    // RegOpenKeyExW: the key when it exists, else nullopt. Throws
    // ESettingsError when the store cannot be read.
    static std::optional<SettingsKey> Open(std::string_view path);

    SettingsKey CreateSubKey(std::string_view relative) const;
    std::optional<SettingsKey> OpenSubKey(std::string_view relative) const;

    // The type of a value, nullopt when the value (or the key) is missing.
    std::optional<SettingType> TypeOf(std::string_view name) const;
    // RegQueryValueExW of one type: throws ESettingsError when the value is
    // missing or of the other type.
    std::string ReadText(std::string_view name) const;
    std::uint32_t ReadDWord(std::string_view name) const;

    // RegSetValueExW: writes the value, replacing one of either type; creates
    // the key again if another process removed it. Throws ESettingsError.
    void WriteText(std::string_view name, std::string_view value) const;
    void WriteDWord(std::string_view name, std::uint32_t value) const;

    // The normalised path: backslash-separated, no empty parts.
    const std::string& Path() const { return path_; }

  private:
    SettingsKey(std::string path, std::string store_file);
    std::string path_;
    std::string store_file_;
};

}  // namespace kestrow::platform
