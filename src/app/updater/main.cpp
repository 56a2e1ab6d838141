// kestrow-updater: the launcher's update without a window.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/updater/check_report.h"
#include "app/updater/command_line.h"
#include "app/updater/stored_language.h"
#include "app/updater/terminal_port.h"
#include "app/updater/version_text.h"
#include "core/launcher_state.h"
#include "core/window_port.h"
#include "log/app_logger.h"
#include "net/http_client.h"
#include "platform/files.h"
#include "platform/terminal.h"
#include "platform/thread_priority.h"
#include "shell/options_document.h"
#include "shell/runtime_state.h"
#include "shell/shell_hooks.h"
#include "shell/update_request.h"
#include "update/update_run.h"

namespace {

using namespace kestrow;

// Ctrl-C and SIGTERM, counted by the signal handler.
std::atomic<int> g_interrupts{0};

constexpr int kInterruptedExit = 130;
constexpr int kDifferencesExit = 3;
constexpr int kStatusUpdateBlocked = 15;

// Acts on Ctrl-C while the main thread is busy: during the options fetch the
// first one cuts it at once; during a run or a check the first one is the
// launcher's cancel (the files in progress finish) and the second cuts
// everything.
class InterruptWatcher {
  public:
    explicit InterruptWatcher(updater::TerminalPort& port)
        : port_(port), thread_([this](std::stop_token stop) { Watch(stop); }) {}
    InterruptWatcher(const InterruptWatcher&) = delete;
    InterruptWatcher& operator=(const InterruptWatcher&) = delete;

    // The run the next Ctrl-C acts on; nullptr before and after it.
    void SetRun(update::ThreadForDownLoad* run) {
        const std::lock_guard lock(mutex_);
        run_ = run;
        if (run_ && handled_ > 0)
            run_->Abort();  // an interrupt that came before the run
    }
    // True once the program must end as interrupted.
    bool Interrupted() const { return g_interrupts.load() > 0; }
    bool Aborted() const { return aborted_.load(); }

  private:
    void Watch(std::stop_token stop) {
        while (!stop.stop_requested()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            const int seen = g_interrupts.load();
            const std::lock_guard lock(mutex_);
            for (; handled_ < seen; ++handled_)
                Act();
        }
    }

    void Act() {  // caller holds mutex_
        if (handled_ == 0 && run_) {
            port_.Notice(
                "Cancelling: the files in progress finish first. "
                "Press Ctrl-C again to stop at once.");
            run_->RequestStop();
            return;
        }
        if (aborted_.exchange(true))
            return;
        if (handled_ > 0)
            port_.Notice("Stopping at once.");
        net::AbortAllTransfers();
        if (run_)
            run_->Abort();
    }

    updater::TerminalPort& port_;
    std::mutex mutex_;
    update::ThreadForDownLoad* run_ = nullptr;  // guarded by mutex_
    int handled_ = 0;                           // guarded by mutex_
    std::atomic<bool> aborted_{false};
    std::jthread thread_;  // last: stopped and joined first
};

// The catalogue stage and the comparison, nothing changed on disk: no
// client ended, no stale file cleaned, no attribute touched, no archive.
int Check(const updater::UpdaterOptions& options, updater::TerminalPort& port,
          InterruptWatcher& watcher) {
    core::LauncherState& state = core::Launcher();
    if (state.g_IsBlock) {
        core::UpdateStatus(kStatusUpdateBlocked);
        port.Close();
        std::printf("%s\n", port.StatusLine().c_str());
        return 1;
    }
    state.g_bIsUpdateClient = options.full_client;
    state.g_nFilesOnlyRead = 0;
    update::ThreadForDownLoad run(options.game_directory);
    // A running game keeps the processor, as with the launcher's scan.
    platform::LowerCurrentThreadPriority();
    watcher.SetRun(&run);
    bool compared = false;
    std::string failure;
    try {
        compared = run.CompareFiles();
    } catch (const std::exception& e) {
        log::LogException("kestrow-updater check failed", &e);
        failure = e.what();
    }
    watcher.SetRun(nullptr);
    port.Close();
    if (watcher.Aborted())
        return kInterruptedExit;
    if (!failure.empty()) {
        std::printf("check failed: %s\n", failure.c_str());
        return 1;
    }
    if (!compared) {  // the catalogue stage said why on the status line
        std::printf("%s\n", port.StatusLine().c_str());
        return 1;
    }
    if (run.Terminated()) {
        std::printf("check cancelled\n");
        return 1;
    }
    const std::vector<updater::Difference> differences =
        updater::Differences(run.ListWithUpdate, run.ListWithUpdateReasons);
    for (const updater::Difference& d : differences)
        std::printf("%s\n", updater::DifferenceLine(d).c_str());
    std::printf("%s\n", updater::CheckSummaryLine(differences, run.LastScan()).c_str());
    return differences.empty() ? 0 : kDifferencesExit;
}

// The update buttons' request: ends running game clients, starts the run
// (with the extract threads asked for) and cleans the stale files.
int Update(const updater::UpdaterOptions& options, updater::TerminalPort& port,
           InterruptWatcher& watcher) {
    shell::StartUpdateOptions start;
    start.game_directory = options.game_directory;
    start.extract_workers = options.extract_workers;
    std::unique_ptr<update::UpdateRun> th;
    if (options.full_client)
        shell::RequestClientUpdate(th, start);
    else
        shell::RequestPatchUpdate(th, start);
    if (th) {
        watcher.SetRun(&th->Run());
        th->WaitFor();
        watcher.SetRun(nullptr);
        th.reset();
    }
    port.Close();
    std::printf("%s\n", port.StatusLine().c_str());
    if (watcher.Aborted())
        return kInterruptedExit;
    const int id = core::Launcher().messageId.load();
    return id == 4 || id == 7 ? 0 : 1;
}

int Run(const updater::UpdaterOptions& options) {
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
    InterruptWatcher watcher(port);

    shell::LoadSettings();
    state.language = options.language.value_or(updater::StoredLanguage());

    // Nothing starts once Ctrl-C came.
    int status = kInterruptedExit;
    if (!watcher.Interrupted())
        status = options.check ? Check(options, port, watcher) : Update(options, port, watcher);
    else
        port.Close();
    std::fflush(stdout);
    core::SetLauncher(nullptr);
    return status;
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
    if (options.version) {
        std::fputs(kestrow::updater::VersionText().c_str(), stdout);
        return 0;
    }
    if (!options.game_directory.empty()) {
        std::error_code ec;
        const std::filesystem::path dir = std::filesystem::absolute(options.game_directory, ec);
        if (ec || !kestrow::platform::DirectoryExists(dir.string())) {
            std::fprintf(stderr, "kestrow-updater: --dir \"%s\" is not a directory\n%s",
                         options.game_directory.c_str(), kestrow::updater::UpdaterUsage());
            return 2;
        }
        options.game_directory = dir.lexically_normal().string();
    }
    kestrow::platform::CatchInterrupt(g_interrupts);
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
