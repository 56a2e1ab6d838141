#include "shell/auto_update.h"

#include <algorithm>
#include <exception>

#include "core/launcher_state.h"
#include "core/progress_bar.h"
#include "core/window_port.h"
#include "log/app_logger.h"
#include "platform/command_line.h"
#include "platform/env.h"
#include "platform/files.h"
#include "platform/thread_priority.h"
#include "shell/shell_texts.h"
#include "shell/text_trim.h"

namespace kestrow::shell {
namespace {

constexpr int kStatusCheckDone = 1;

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

}  // namespace

bool VersionsDiffer(std::string_view current, std::string_view remote) {
    return TrimBlanks(current) != TrimBlanks(remote);
}

std::string FirstMissingClientFolder(const std::string& game_directory) {
    const std::string dir = game_directory.empty()
                                ? platform::CurrentDirectory()
                                : platform::WithTrailingSeparator(game_directory);
    for (const char* folder : kClientFolders) {
        if (!platform::DirectoryExists(dir + folder))
            return folder;
    }
    return {};
}

VersionCheckThread::VersionCheckThread(AutoUpdateOptions options)
    : options_(std::move(options)), state_(core::Launcher()), thread_([this] { Execute(); }) {}

VersionCheckThread::~VersionCheckThread() {
    Wait();
}

void VersionCheckThread::Wait() {
    if (thread_.joinable())
        thread_.join();
}

void VersionCheckThread::Execute() {
    platform::LowerCurrentThreadPriority();
    log::LogInfo(kVersionThreadStartedLine);
    bool bars_done = false;
    try {
        log::LogInfo("Self-update version check: current=" + Quoted(state_.g_CurrentVersion) +
                     ", remote=" + Quoted(state_.g_Version) +
                     ", exe_name=" + Quoted(state_.g_NameExeFile));
        // The self-update comes in here; without it a differing version only
        // shows in the line above.
        bool go_on = true;
        if (VersionsDiffer(state_.g_CurrentVersion, state_.g_Version) && options_.self_update) {
            go_on = options_.self_update();
        }
        if (go_on) {
            core::UpdateStatus(kStatusCheckDone);
            if (!FirstMissingClientFolder(options_.game_directory).empty()) {
                const std::vector<std::string> args =
                    options_.arguments ? *options_.arguments : platform::ProcessArguments();
                if (std::find(args.begin(), args.end(), kNoClientSwitch) == args.end()) {
                    log::LogWarn(kClientFolderMissingLine);
                }
            }
        } else {
            bars_done = true;  // the step has filled them with its outcome
        }
    } catch (const std::exception& e) {
        log::LogException(kVersionThreadExceptionContext, &e);
    }
    if (!bars_done) {
        core::Window().SetFileProgressWidth(core::kProgressBarFullWidth);
        core::Window().SetTotalProgressWidth(core::kProgressBarFullWidth);
    }
    state_.canUpdate = true;
    finished_ = true;
}

std::unique_ptr<VersionCheckThread> AutoUpdate(AutoUpdateOptions options) {
    core::Launcher().canUpdate = false;
    return std::make_unique<VersionCheckThread>(std::move(options));
}

}  // namespace kestrow::shell
