// kestrow-updater: the launcher's update without a window.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/updater/command_line.h"
#include "app/updater/stored_language.h"
#include "app/updater/terminal_port.h"
#include "core/launcher_state.h"
#include "core/window_port.h"
#include "log/app_logger.h"
#include "platform/terminal.h"
#include "shell/options_document.h"
#include "shell/runtime_state.h"
#include "shell/shell_hooks.h"
#include "shell/update_request.h"
#include "update/update_run.h"

namespace {

std::atomic<bool> g_interrupted{false};

int Run(const kestrow::updater::UpdaterOptions& options) {
    using namespace kestrow;
    core::LauncherState state;
    core::SetLauncher(&state);
    shell::InitRuntimeState(state);
    shell::InstallShellHooks(state);

    const updater::DisplayMode mode = options.quiet ? updater::DisplayMode::Quiet
                                      : platform::IsTerminal(platform::StdStream::Err)
                                          ? updater::DisplayMode::Bars
                                          : updater::DisplayMode::Lines;
    updater::TerminalPort port(mode, stderr, stdout,
                               platform::TerminalColumns(platform::StdStream::Err));
    core::ScopedWindow window(port);

    shell::LoadSettings();
    state.language = options.language.value_or(updater::StoredLanguage());

    // As the update buttons do: ends running clients, starts the run and
    // cleans the stale files.
    std::unique_ptr<update::UpdateRun> th;
    if (options.full_client)
        shell::RequestClientUpdate(th);
    else
        shell::RequestPatchUpdate(th);
    if (th) {
        bool cancelled = false;
        while (!th->Finished()) {
            if (g_interrupted.load() && !cancelled) {
                cancelled = true;
                th->Cancel();
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        th->WaitFor();
        th.reset();
    }
    port.Close();
    std::printf("%s\n", port.StatusLine().c_str());
    std::fflush(stdout);
    const int id = state.messageId.load();
    core::SetLauncher(nullptr);
    return id == 4 || id == 7 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    kestrow::updater::UpdaterOptions options;
    try {
        options = kestrow::updater::ParseUpdaterArguments(
            std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::invalid_argument& e) {
        std::fprintf(stderr, "kestrow-updater: %s\n%s", e.what(), kestrow::updater::UpdaterUsage());
        return 2;
    }
    if (options.help) {
        std::fputs(kestrow::updater::UpdaterUsage(), stdout);
        return 0;
    }
    kestrow::platform::CatchInterrupt(g_interrupted);
    kestrow::log::InitLogger();
    int status = 1;
    try {
        status = Run(options);
    } catch (const std::exception& e) {
        kestrow::log::LogException("kestrow-updater failed", &e);
        std::printf("%s\n", e.what());
        status = 1;
    }
    kestrow::log::FinalizeLogger();
    return status;
}
