#pragma once
// The steps of the main window that reach outside it: ending game clients,
// cleaning the game directory, opening links, starting the client. Empty
// functions mean the shell's own (KillGameProcesses, CleanClientFiles,
// OpenExeFiles); tests put recorders here.

#include <functional>
#include <string>

namespace kestrow::ui {

struct WindowActions {
    std::function<void()> kill_game_processes;
    std::function<void()> clean_client_files;
    // What opens a link (installed as the shell's link opener while the window lives).
    std::function<void(const std::string&)> open_link;
    std::function<bool(const std::string&)> open_exe_files;
};

// The launcher's: the shell's steps, links opened through QDesktopServices.
WindowActions ShellWindowActions();

}  // namespace kestrow::ui
