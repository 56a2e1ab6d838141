#include "shell/local_settings.h"

#include <charconv>
#include <exception>
#include <mutex>
#include <optional>

#include "core/launcher_state.h"
#include "platform/settings_store.h"
#include "shell/game_launch.h"
#include "shell/text_trim.h"

namespace kestrow::shell {
namespace {

// RegistreU: opened once at start-up, used by both windows.
std::mutex g_store_mutex;
std::optional<platform::SettingsKey> g_RegistreU;

std::optional<platform::SettingsKey> Store() {
    std::lock_guard lock(g_store_mutex);
    return g_RegistreU;
}

std::optional<std::string> ReadText(const std::string& section, const std::string& value) {
    std::optional<platform::SettingsKey> store = Store();
    if (!store)
        return std::nullopt;
    try {
        std::optional<platform::SettingsKey> key = store->OpenSubKey(section);
        if (!key || key->TypeOf(value) != platform::SettingType::Text)
            return std::nullopt;
        return key->ReadText(value);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace

void OpenSettingsStore() {
    std::lock_guard lock(g_store_mutex);
    g_RegistreU.reset();
    try {
        g_RegistreU = platform::SettingsKey::Create(kStoreKey);
    } catch (const std::exception&) {
        // Every read gives its default, every write is lost.
    }
}

void CloseSettingsStore() {
    std::lock_guard lock(g_store_mutex);
    g_RegistreU.reset();
}

bool SettingsStoreOpen() {
    return Store().has_value();
}

bool ParseSettingInt(const std::string& text, int& number) {
    std::string t = TrimBlanks(text);
    const char* first = t.data();
    const char* last = t.data() + t.size();
    if (first != last && *first == '+') {
        ++first;
        if (first != last && *first == '-')
            return false;
    }
    if (first == last)
        return false;
    int parsed = 0;
    auto [end, ec] = std::from_chars(first, last, parsed);
    if (ec != std::errc() || end != last)
        return false;
    number = parsed;
    return true;
}

int ReadSettingInt(const std::string& section, const std::string& value, int default_value) {
    std::optional<std::string> text = ReadText(section, value);
    int number = 0;
    return text && ParseSettingInt(*text, number) ? number : default_value;
}

std::string ReadSettingText(const std::string& section, const std::string& value,
                            const std::string& default_value) {
    return ReadText(section, value).value_or(default_value);
}

bool ReadSettingBool(const std::string& section, const std::string& value, bool default_value) {
    return ReadSettingInt(section, value, default_value ? 1 : 0) != 0;
}

void WriteSettingText(const std::string& section, const std::string& value,
                      const std::string& text) {
    std::optional<platform::SettingsKey> store = Store();
    if (!store)
        return;
    try {
        store->CreateSubKey(section).WriteText(value, text);
    } catch (const std::exception&) {
        // Lost, as the store's writes are when it cannot be changed.
    }
}

void WriteSettingInt(const std::string& section, const std::string& value, int number) {
    WriteSettingText(section, value, std::to_string(number));
}

void WriteSettingBool(const std::string& section, const std::string& value, bool flag) {
    WriteSettingInt(section, value, flag ? 1 : 0);
}

LocalSettings LoadLocalSettings() {
    LocalSettings s;
    s.language = ReadSettingInt(kSectionSettings, kValueLanguage, 0);
    s.g_nDirSelectIndex = ReadSettingInt(kSectionInformation, kValueDirBox, 0);
    s.g_nShowType = ReadSettingInt(kSectionInformation, kValueShowType, 0);
    s.g_chosenDirectoryInfo = ReadSettingText(kSectionInformation, kValueFolder, kDefaultFolder);
    core::LauncherState& state = core::Launcher();
    state.g_nDirSelectIndex = s.g_nDirSelectIndex;
    state.g_nShowType = s.g_nShowType;
    state.g_chosenDirectoryInfo = s.g_chosenDirectoryInfo;
    return s;
}

int StoredPatchIndex() {
    return SelectedPatchIndex(ReadSettingInt(kSectionSettings, kValueSelectPatch, 0));
}

void SaveSelectedPatch(int list_index) {
    WriteSettingInt(kSectionSettings, kValueSelectPatch, SelectedPatchIndex(list_index));
}

}  // namespace kestrow::shell
