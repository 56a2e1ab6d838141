#include "shell/compat_layers.h"

#include <exception>

#include "platform/settings_store.h"
#include "shell/game_launch.h"

namespace kestrow::shell {

void ClearCompatLayers(const std::string& game_directory) {
    try {
        platform::SettingsKey flags = platform::SettingsKey::Create(kAppCompatFlagsKey);
        std::optional<platform::SettingsKey> layers = flags.OpenSubKey(kLayersSubKey);
        if (!layers)
            return;
        const std::string exe = ClientExecutable(kFolderSystem, game_directory);
        if (layers->TypeOf(exe) != platform::SettingType::Text)
            return;
        if (layers->ReadText(exe) == kClearedLayers)
            layers->WriteText(exe, "");
    } catch (const std::exception&) {
        // Nothing to show: the client just keeps its compatibility mode.
    }
}

}  // namespace kestrow::shell
