#include "shell/update_request.h"

#include "core/launcher_state.h"
#include "core/window_port.h"
#include "log/app_logger.h"
#include "shell/client_cleanup.h"
#include "shell/shell_texts.h"

namespace kestrow::shell {
namespace {

constexpr int kStatusUpdateBlocked = 15;

}  // namespace

void Start_Update(std::unique_ptr<update::UpdateRun>& th, const StartUpdateOptions& options) {
    core::LauncherState& state = core::Launcher();
    state.g_nFilesOnlyRead = 0;
    if (state.g_IsBlock) {
        core::UpdateStatus(kStatusUpdateBlocked);
        return;
    }
    if (options.kill_game_processes) {
        options.kill_game_processes();
    } else {
        KillGameProcesses(options.sleep);
    }
    if (options.do_update) {
        options.do_update(th);
    } else {
        update::doUpdate(th, options.game_directory, options.extract_workers);
    }
    // While the run's thread starts: it touches none of these files.
    if (options.clean_client_files) {
        options.clean_client_files();
    } else {
        CleanClientFiles({options.game_directory, {}});
    }
}

void RequestPatchUpdate(std::unique_ptr<update::UpdateRun>& th, const StartUpdateOptions& options) {
    log::LogInfo(kPatchUpdateRequestedLine);
    core::Launcher().g_bIsUpdateClient = false;
    Start_Update(th, options);
}

void RequestClientUpdate(std::unique_ptr<update::UpdateRun>& th,
                         const StartUpdateOptions& options) {
    log::LogInfo(kClientUpdateRequestedLine);
    core::Launcher().g_bIsUpdateClient = true;
    Start_Update(th, options);
}

}  // namespace kestrow::shell
