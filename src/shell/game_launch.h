#pragma once
// Starting the game client from the main window, without the window: the
// window passes its own actions in.

#include <array>
#include <functional>
#include <string>
#include <string_view>

namespace kestrow::shell {

inline constexpr char kClientExecutableName[] = "l2.exe";
inline constexpr char kFolderClassic[] = "system_classic";  // list item 0
inline constexpr char kFolderSystem[] = "system";           // list item 1
inline constexpr char kFolderNew[] = "system_new";          // the high-five buttons
inline constexpr std::array<const char*, 2> kLegacyLauncherFiles = {"Start Kestrow.exe",
                                                                    "Start Brenholt.exe"};

// The working directory with a trailing separator.
std::string GameDirectory();
// game_directory (empty: GameDirectory()) + relative, whose backslashes become
// the host's separator.
std::string ClientPath(std::string_view relative, const std::string& game_directory = {});
// ClientPath(folder + "\" + "l2.exe").
std::string ClientExecutable(std::string_view folder, const std::string& game_directory = {});

// The list's selected index when it is 0 or 1, otherwise 0 (also -1, none).
int SelectedPatchIndex(int list_index);

// Creates the client process: command line "\"" + trimmed path + "\"", working
// directory the path's folder (the current one when it has none). False when
// the trimmed path is empty, names no file, holds a double quote, or the
// process cannot be created. Does not wait for the client.
bool OpenExeFiles(const std::string& sFileName);

// Deletes "Start Kestrow.exe" and "Start Brenholt.exe" from the game directory.
void DeleteLegacyLauncherFiles(const std::string& game_directory = {});

struct LaunchActions {
    std::function<void()> doUpdate;         // start an update run (no checks, no clean-up)
    std::function<void()> closeMainWindow;  // after the client was started
    std::function<bool(const std::string&)> openExe;  // empty: OpenExeFiles
};

// Nothing (false) while canUpdate is false or the trimmed path is empty. A
// missing file: doUpdate, false. Else openExe; on success closeMainWindow and
// true; on failure nothing more, false.
bool LaunchOrUpdate(const std::string& path, const LaunchActions& actions);

// START_GAMEClick: the legacy launcher files go, then LaunchOrUpdate of
// system\l2.exe when SelectedPatchIndex(list_index) is 1, else of
// system_classic\l2.exe.
bool StartSelectedGame(int list_index, const LaunchActions& actions,
                       const std::string& game_directory = {});

}  // namespace kestrow::shell
