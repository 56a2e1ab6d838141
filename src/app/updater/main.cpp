// kestrow-updater: the launcher's update without a window.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <memory>
#include <mutex>
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
#include "net/http_client.h"
#include "platform/terminal.h"
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

// Acts on Ctrl-C while the main thread is busy: during the options fetch the
// first one cuts it at once; during the run the first one is the launcher's
// cancel (the files in progress finish) and the second cuts everything.
class InterruptWatcher {
  public:
    explicit InterruptWatcher(updater::TerminalPort& port)
        : port_(port), thread_([this](std::stop_token stop) { Watch(stop); }) {}
    InterruptWatcher(const InterruptWatcher&) = delete;
    InterruptWatcher& operator=(const InterruptWatcher&) = delete;

    // The run the next Ctrl-C acts on; nullptr before and after it.
    void SetRun(update::UpdateRun* run) {
        const std::lock_guard lock(mutex_);
        run_ = run;
        if (run_ && handled_ > 0)
            run_->Run().Abort();  // an interrupt that came before the run
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
            run_->Run().Abort();
    }

    updater::TerminalPort& port_;
    std::mutex mutex_;
    update::UpdateRun* run_ = nullptr;  // guarded by mutex_
    int handled_ = 0;                   // guarded by mutex_
    std::atomic<bool> aborted_{false};
    std::jthread thread_;  // last: stopped and joined first
};

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

    // As the update buttons do: ends running clients, starts the run and
    // cleans the stale files. Nothing starts once Ctrl-C came.
    std::unique_ptr<update::UpdateRun> th;
    if (!watcher.Interrupted()) {
        if (options.full_client)
            shell::RequestClientUpdate(th);
        else
            shell::RequestPatchUpdate(th);
    }
    if (th) {
        watcher.SetRun(th.get());
        th->WaitFor();
        watcher.SetRun(nullptr);
        th.reset();
    }
    port.Close();
    std::printf("%s\n", port.StatusLine().c_str());
    std::fflush(stdout);
    const int id = state.messageId.load();
    core::SetLauncher(nullptr);
    if (watcher.Aborted())
        return kInterruptedExit;
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
