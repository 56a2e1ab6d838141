#include "app/updater/stored_language.h"

#include "shell/local_settings.h"

namespace kestrow::updater {

int StoredLanguage() {
    shell::OpenSettingsStore();
    const int language = shell::ReadSettingInt(shell::kSectionSettings, shell::kValueLanguage, 0);
    shell::CloseSettingsStore();
    return language == 1 ? 1 : 0;
}

}  // namespace kestrow::updater
