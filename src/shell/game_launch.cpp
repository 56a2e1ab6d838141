#include "shell/game_launch.h"

#include "core/launcher_state.h"
#include "platform/env.h"
#include "platform/files.h"
#include "platform/process.h"
#include "shell/client_cleanup.h"
#include "shell/text_trim.h"

namespace kestrow::shell {

std::string GameDirectory() {
    return platform::CurrentDirectory();
}

std::string ClientPath(std::string_view relative, const std::string& game_directory) {
    const std::string dir =
        game_directory.empty() ? GameDirectory() : platform::WithTrailingSeparator(game_directory);
    return dir + platform::GameToHostPath(relative);
}

std::string ClientExecutable(std::string_view folder, const std::string& game_directory) {
    return ClientPath(std::string(folder) + "\\" + kClientExecutableName, game_directory);
}

int SelectedPatchIndex(int list_index) {
    return list_index == 0 || list_index == 1 ? list_index : 0;
}

bool OpenExeFiles(const std::string& sFileName) {
    const std::string p = TrimBlanks(sFileName);
    // A quote would end the quoted program name early and start another one.
    if (p.empty() || p.find('"') != std::string::npos || !platform::FileExists(p))
        return false;
    const std::string command_line = "\"" + p + "\"";
    const std::string folder = platform::ParentDirectory(p);
    const std::string working_directory =
        folder.empty() ? platform::CurrentDirectory() : platform::WithTrailingSeparator(folder);
    return platform::StartProcess(command_line, working_directory);
}

void DeleteLegacyLauncherFiles(const std::string& game_directory) {
    for (const char* name : kLegacyLauncherFiles)
        DeleteFileIfExists(ClientPath(name, game_directory));
}

bool LaunchOrUpdate(const std::string& path, const LaunchActions& actions) {
    const std::string p = TrimBlanks(path);
    if (!core::Launcher().canUpdate || p.empty())
        return false;
    if (!platform::FileExists(p)) {
        if (actions.doUpdate)
            actions.doUpdate();
        return false;
    }
    const bool started = actions.openExe ? actions.openExe(p) : OpenExeFiles(p);
    if (!started)
        return false;
    if (actions.closeMainWindow)
        actions.closeMainWindow();
    return true;
}

bool StartSelectedGame(int list_index, const LaunchActions& actions,
                       const std::string& game_directory) {
    DeleteLegacyLauncherFiles(game_directory);
    const char* folder = SelectedPatchIndex(list_index) == 1 ? kFolderSystem : kFolderClassic;
    return LaunchOrUpdate(ClientExecutable(folder, game_directory), actions);
}

}  // namespace kestrow::shell
