#include "shell/game_processes.h"

#include <thread>

#include "platform/process.h"

namespace kestrow::shell {

void KillProcessByName(const std::string& name) {
    platform::KillProcessesByName(name);
}

void KillGameProcesses(const SleepFunction& sleep) {
    for (const char* name : kGameProcessNames)
        KillProcessByName(name);
    if (sleep) {
        sleep(kKillSettleTime);
    } else {
        std::this_thread::sleep_for(kKillSettleTime);
    }
}

}  // namespace kestrow::shell
