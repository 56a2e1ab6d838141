#pragma once
// The launcher's settings store (RegistreU): the key Software\KestrowUpdater
// with its sections Settings and Information. Integers and booleans are kept
// as decimal text (REG_SZ); a missing section or value, an empty or
// non-numeric text, or a value of another type reads as the default. Used on
// the user-interface thread; the handle is process-wide.

#include <string>

namespace kestrow::shell {

inline constexpr char kStoreKey[] = "Software\\KestrowUpdater";
inline constexpr char kSectionSettings[] = "Settings";
inline constexpr char kSectionInformation[] = "Information";

inline constexpr char kValueLanguage[] = "Language";
inline constexpr char kValueSelectPatch[] = "SelectPatch";
inline constexpr char kValueCritical[] = "Critical";  // REG_DWORD, read and written directly
inline constexpr char kValueDirBox[] = "DirBox";
inline constexpr char kValueShowType[] = "ShowType";
inline constexpr char kValueFolder[] = "folder";
inline constexpr char kDefaultFolder[] = "C:\\";

// Closes a previous handle and opens (creating) the store key into RegistreU.
// When that fails the store stays absent: reads give defaults, writes are lost.
void OpenSettingsStore();
// RegistreU := absent.
void CloseSettingsStore();
bool SettingsStoreOpen();

int ReadSettingInt(const std::string& section, const std::string& value, int default_value);
std::string ReadSettingText(const std::string& section, const std::string& value,
                            const std::string& default_value);
// Any non-zero integer reads as true.
bool ReadSettingBool(const std::string& section, const std::string& value, bool default_value);

// Write the value, creating the section if needed; failures are ignored.
void WriteSettingInt(const std::string& section, const std::string& value, int number);
void WriteSettingText(const std::string& section, const std::string& value,
                      const std::string& text);
void WriteSettingBool(const std::string& section, const std::string& value, bool flag);  // 0 or 1

// The integer encoding: an optional sign and decimal digits, blanks around
// allowed, within 32 bits; anything else is not a number.
bool ParseSettingInt(const std::string& text, int& number);

// The start-up read of the main window's values.
struct LocalSettings {
    int language = 0;                            // Settings\Language, default 0
    int g_nDirSelectIndex = 0;                   // Information\DirBox, default 0
    int g_nShowType = 0;                         // Information\ShowType, default 0
    std::string g_chosenDirectoryInfo = "C:\\";  // Information\folder, default "C:\"
};

// Reads the four values in their order and stores the three auto-login fields
// into core::Launcher(). The window applies the language itself (setLanguage,
// which writes it back, then ResetButtonOverlays).
LocalSettings LoadLocalSettings();

// The patch variant kept in the store (Settings\SelectPatch), 0 unless it is 0
// or 1: the list's selection at start-up.
int StoredPatchIndex();
// cbSelectPatchChange: writes SelectedPatchIndex(list_index).
void SaveSelectedPatch(int list_index);

}  // namespace kestrow::shell
