#include "shell/critical_update.h"

#include <cstdint>
#include <exception>
#include <optional>

#include "platform/settings_store.h"
#include "shell/local_settings.h"

namespace kestrow::shell {

bool IsCriticalUpdateDue(const core::LauncherState& state) {
    if (state.g_CurrentVersion != state.g_Version)
        return false;
    const std::string section = std::string(kStoreKey) + "\\" + kSectionSettings;
    std::optional<platform::SettingsKey> key;
    std::int32_t stored = 1;
    try {
        key = platform::SettingsKey::Create(section);
        stored = static_cast<std::int32_t>(key->ReadDWord(kValueCritical));
    } catch (const std::exception&) {
        stored = 1;  // missing, of another type, or no key
    }
    if (stored >= state.g_Critical_Version)
        return false;
    try {
        if (key)
            key->WriteDWord(kValueCritical, static_cast<std::uint32_t>(state.g_Critical_Version));
    } catch (const std::exception&) {
        // The forced run still starts; the store could not keep the counter.
    }
    return true;
}

bool CheckCriticalUpdate(const core::LauncherState& state) {
    return IsCriticalUpdateDue(state);
}

}  // namespace kestrow::shell
