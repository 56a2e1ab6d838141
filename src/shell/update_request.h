#pragma once
// An update request of the window (its update buttons, the critical-version
// step at start-up) or of the headless updater.

#include <functional>
#include <memory>
#include <string>

#include "shell/game_processes.h"
#include "update/update_run.h"

namespace kestrow::shell {

struct StartUpdateOptions {
    std::string game_directory;  // empty: the working directory
    int extract_workers = 1;     // threads that unpack the run's archives
    // Replace the steps (tests); empty: the real ones.
    std::function<void()> kill_game_processes;  // KillGameProcesses(sleep)
    SleepFunction sleep;                        // the pause of the default kill step
    std::function<bool(std::unique_ptr<update::UpdateRun>&)> do_update;  // update::doUpdate
    std::function<void()> clean_client_files;  // CleanClientFiles({game_directory})
};

// g_nFilesOnlyRead := 0; with g_IsBlock only status 15. Otherwise the game
// clients are ended (one second's pause), doUpdate starts a run if the
// launcher is idle, and the stale files are cleaned while it starts.
void Start_Update(std::unique_ptr<update::UpdateRun>& th, const StartUpdateOptions& options = {});

// The update buttons: the log line, g_bIsUpdateClient false (patch only) or
// true (full client), then Start_Update.
void RequestPatchUpdate(std::unique_ptr<update::UpdateRun>& th,
                        const StartUpdateOptions& options = {});
void RequestClientUpdate(std::unique_ptr<update::UpdateRun>& th,
                         const StartUpdateOptions& options = {});

}  // namespace kestrow::shell
