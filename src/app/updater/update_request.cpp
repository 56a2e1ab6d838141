#include "app/updater/update_request.h"

#include "core/launcher_state.h"
#include "core/window_port.h"

namespace kestrow::updater {

void RequestUpdate(std::unique_ptr<update::UpdateRun>& th) {
    core::LauncherState& state = core::Launcher();
    state.g_nFilesOnlyRead = 0;
    if (state.g_IsBlock) {
        core::UpdateStatus(15);
        return;
    }
    update::doUpdate(th);
}

int StoredLanguage() {
    return 0;
}

}  // namespace kestrow::updater
