#include "app/launcher/startup.h"

#include <exception>

#include "platform/env.h"
#include "shell/compat_layers.h"
#include "shell/critical_update.h"
#include "shell/local_settings.h"
#include "shell/options_document.h"
#include "shell/runtime_state.h"
#include "shell/shell_hooks.h"
#include "shell/shell_texts.h"
#include "shell/single_instance.h"
#include "ui/skin_message_box.h"

namespace kestrow::app {

bool FormCreate(ui::TForm1& form) {
    core::LauncherState& state = form.State();
    state.g_UserTemp = platform::TempPath();

    if (!shell::IsRunFirst()) {
        ui::ShowSkinMessage(nullptr, QString::fromUtf8(shell::kAlreadyRunningMessage));
        return false;
    }

    shell::InitRuntimeState(state);
    shell::InstallShellHooks(state);
    shell::LoadSettings();

    shell::OpenSettingsStore();
    const shell::LocalSettings local = shell::LoadLocalSettings();
    form.setLanguage(local.language);
    form.ResetButtonOverlays();

    form.InitControls();
    form.RestoreSelectedPatch(shell::StoredPatchIndex());
    shell::ClearCompatLayers();

    if (shell::CheckCriticalUpdate(state))
        form.Start_Update();

    try {
        form.AutoUpdate();
    } catch (const std::exception& e) {
        // The window stays in the checking state: canUpdate remains false.
        ui::ShowSkinMessage(&form, QString::fromUtf8("Error: ") + QString::fromStdString(e.what()));
    }
    return true;
}

}  // namespace kestrow::app
