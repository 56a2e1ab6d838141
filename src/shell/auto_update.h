#pragma once
// The start-up check that runs beside the window: the launcher's version
// against the announced one, then the client folder check. It holds the gate
// (canUpdate) closed from AutoUpdate until its thread ends.
//
// The self-update itself (download, check of the new executable, hand-over to
// the installer script) plugs in as AutoUpdateOptions::self_update; until it
// is given, a differing version is only logged and the check goes on as if
// the versions were equal.

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/launcher_state.h"

namespace kestrow::shell {

// Looked for in the game directory, in this order; the first missing one is reported.
inline constexpr std::array<const char*, 13> kClientFolders = {
    "animations", "forcefeedback",  "l2text",      "maps",     "music",    "sounds", "staticmeshes",
    "system",     "system_classic", "systextures", "textures", "tex_clas", "voice"};
inline constexpr char kNoClientSwitch[] = "-noclient";

// Version texts compare as whole texts after TrimBlanks, case-sensitively;
// any difference, up or down, means an update.
bool VersionsDiffer(std::string_view current, std::string_view remote);

// The first client folder missing in game_directory (empty: the working
// directory), or empty when all are there.
std::string FirstMissingClientFolder(const std::string& game_directory = {});

struct AutoUpdateOptions {
    // The self-update step, on the check's thread, run when VersionsDiffer.
    // It returns false when the thread is to end at once, having shown its
    // own outcome (failed download, wrong version); true to go on.
    std::function<bool()> self_update;
    // The command line searched for "-noclient"; nullopt: the process's own.
    std::optional<std::vector<std::string>> arguments;
    std::string game_directory;  // empty: the working directory
};

// The check's thread (thv). The thread: "Version downloader thread started";
// "Self-update version check: current=..., remote=..., exe_name=..."; the
// self-update step when the versions differ; status 1; the client folder
// check with its WARN line unless "-noclient" is an argument; both bars full;
// then canUpdate := true, also after an exception (logged as "Version
// downloader thread exception"). Window changes go through core::Window().
class VersionCheckThread {
  public:
    // Starts the thread at the lowest priority. Throws std::system_error when
    // no thread can be started.
    explicit VersionCheckThread(AutoUpdateOptions options);
    // Waits for the thread: the window must keep serving its port calls (or
    // have replaced its port) until then.
    ~VersionCheckThread();
    VersionCheckThread(const VersionCheckThread&) = delete;
    VersionCheckThread& operator=(const VersionCheckThread&) = delete;

    bool Finished() const { return finished_.load(); }
    void Wait();

  private:
    void Execute();

    AutoUpdateOptions options_;
    core::LauncherState& state_;  // the launcher state current at the start
    std::atomic<bool> finished_{false};
    std::jthread thread_;
};

// canUpdate := false, then the check's thread starts; the caller keeps it.
// When it cannot be started the exception passes to the caller (the window
// shows "Error: " + message) and canUpdate stays false.
std::unique_ptr<VersionCheckThread> AutoUpdate(AutoUpdateOptions options = {});

}  // namespace kestrow::shell
