#pragma once
// Starting the game client logged in to an account: StartAccount and
// OpenExeFiles of the auto-login window, without the window.
//
// The password goes on the client's command line, which the client expects;
// on Linux other local users can read it in /proc unless /proc is mounted
// with hidepid.

#include <string>

namespace kestrow::autologin {

// The check boxes cbLobby and cbWorld.
struct LoginOptions {
    bool enterLobby = true;
    bool enterWorld = true;
};

struct LoginLaunch {
    std::string commandLine;
    std::string workingDirectory;  // with a trailing separator
};

// The client of a patch variant (cbSelectAutoLogin), relative to the current
// directory: "\system_classic\l2.exe" for 0, "\system\l2.exe" for 1, empty
// for any other index (none selected).
std::string VariantExecutable(int variant);

// OpenExeFiles's command line: "\"" + sFileName + "\""; then, when account
// and password are both non-empty, " account=" + account + " password=" +
// password, unquoted; then " enterlobby=no" when the lobby is off, else
// " enterworld=no" when the world is off. The working directory is the
// folder of sFileName.
LoginLaunch BuildLoginLaunch(const std::string& sFileName, const std::string& account,
                             const std::string& password, const LoginOptions& options);

// Starts that command line (through Wine for an .exe on Linux) without
// waiting for it; true when the process was created. A path that names no
// file, or holds a double quote, is not started.
bool OpenExeFiles(const std::string& sFileName, const std::string& account,
                  const std::string& password, const LoginOptions& options);

// StartAccount without its message box: the client of the variant below
// game_directory (empty: the current directory) started with the account;
// returns the message to show on failure ("Невозможно найти: " + the
// relative path), empty when the client was started.
std::string StartAccount(int variant, const std::string& account, const std::string& password,
                         const LoginOptions& options, const std::string& game_directory = {});

}  // namespace kestrow::autologin
