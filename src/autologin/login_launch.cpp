#include "autologin/login_launch.h"

#include <string_view>

#include "autologin/autologin_texts.h"
#include "platform/env.h"
#include "platform/files.h"
#include "platform/process.h"

namespace kestrow::autologin {

std::string VariantExecutable(int variant) {
    switch (variant) {
        case 0:
            return "\\system_classic\\l2.exe";
        case 1:
            return "\\system\\l2.exe";
        default:
            return {};
    }
}

LoginLaunch BuildLoginLaunch(const std::string& sFileName, const std::string& account,
                             const std::string& password, const LoginOptions& options) {
    LoginLaunch launch;
    launch.commandLine = "\"" + sFileName + "\"";
    if (!account.empty() && !password.empty())
        launch.commandLine += " account=" + account + " password=" + password;
    if (!options.enterLobby)
        launch.commandLine += " enterlobby=no";
    else if (!options.enterWorld)
        launch.commandLine += " enterworld=no";
    const std::string folder = platform::ParentDirectory(sFileName);
    launch.workingDirectory = folder.empty() ? folder : platform::WithTrailingSeparator(folder);
    return launch;
}

bool OpenExeFiles(const std::string& sFileName, const std::string& account,
                  const std::string& password, const LoginOptions& options) {
    // Under Wine a missing client would still give a process; on Windows the
    // start itself fails. A quote would end the quoted program name early.
    if (sFileName.find('"') != std::string::npos || !platform::FileExists(sFileName))
        return false;
    const LoginLaunch launch = BuildLoginLaunch(sFileName, account, password, options);
    return platform::StartProcess(launch.commandLine, launch.workingDirectory);
}

std::string StartAccount(int variant, const std::string& account, const std::string& password,
                         const LoginOptions& options, const std::string& game_directory) {
    const std::string relative = VariantExecutable(variant);
    const std::string directory = game_directory.empty()
                                      ? platform::CurrentDirectory()
                                      : platform::WithTrailingSeparator(game_directory);
    std::string_view inside = relative;
    if (inside.starts_with('\\'))
        inside.remove_prefix(1);
    const std::string full = directory + platform::GameToHostPath(inside);
    if (OpenExeFiles(full, account, password, options))
        return {};
    return kMessageCannotFind + relative;
}

}  // namespace kestrow::autologin
