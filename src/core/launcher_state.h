#pragma once
// The launcher's run-time state: the fields every subsystem reads. The main
// window owns the one instance; everything else reaches it through Launcher().
// Texts are UTF-8.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace kestrow::core {

struct LauncherState {
    // Gate: the launcher is idle, a game start or an update run may begin.
    std::atomic<bool> canUpdate{true};

    // Status message (messageId -1: none) and the language (0 Russian, 1 English).
    // messageId and language are set and read from any thread; g_msg only on the
    // user-interface thread.
    std::atomic<int> messageId{-1};
    std::string g_msg;
    std::atomic<int> language{0};

    double Today = 0.0;         // local date-time as days since 1899-12-30
    std::int64_t UnixTime = 0;  // cache-buster, the same for every request
    std::string g_UserTemp;     // temporary directory, with trailing separator

    // From the options document.
    std::string g_PatchURL, g_ClientURL, g_UpdaterFileURL, g_ChangeLogs;
    std::string g_URL, g_F_URL, g_REG_URL, g_INFO_URL;
    std::string g_PatchURL_Folder, g_ClientURL_Folder;
    std::string g_Version;
    int g_Critical_Version = 0;
    bool g_IsBlock = false;

    // Local facts read with the options document.
    std::string g_CurrentVersion, g_NameExeFile, g_DirUSERPROFILE;

    int g_ErrorConnect = 0;  // 0 primary answered, 1 fallback answered, 2 both failed
    // Counted by the run's scan while the window may show it.
    std::atomic<int> g_nFilesOnlyRead{0};
    bool g_bIsUpdateClient = false;

    // Auto-login window state kept by the main window.
    std::string g_chosenDirectoryInfo;
    int g_nDirSelectIndex = 0, g_nShowType = 0, g_nShowType1First = 0;

    // Hooks the shell installs at start-up, so lower layers can reach back up
    // without including it. reloadOptions: the options fetched again on the
    // caller's thread and read into this state on the window's thread.
    std::function<void()> reloadOptions;
};

// The process-wide reference; the owner installs its instance at start-up.
LauncherState& Launcher();
void SetLauncher(LauncherState* state);

// Launcher state of its own for a scope (tests, tools), restoring the previous one.
class ScopedLauncherState {
  public:
    ScopedLauncherState() : previous_(TryLauncher()) { SetLauncher(&state_); }
    ~ScopedLauncherState() { SetLauncher(previous_); }
    ScopedLauncherState(const ScopedLauncherState&) = delete;
    ScopedLauncherState& operator=(const ScopedLauncherState&) = delete;
    LauncherState& operator*() { return state_; }
    LauncherState* operator->() { return &state_; }

  private:
    static LauncherState* TryLauncher();
    LauncherState state_;
    LauncherState* previous_;
};

}  // namespace kestrow::core
