#pragma once
// Ending the running game clients before an update run.

#include <array>
#include <chrono>
#include <functional>
#include <string>

namespace kestrow::shell {

inline constexpr std::array<const char*, 2> kGameProcessNames = {"L2.exe", "L2.bin"};
inline constexpr std::chrono::milliseconds kKillSettleTime{1000};

using SleepFunction = std::function<void(std::chrono::milliseconds)>;

// Ends every process with that executable file name (letter case ignored);
// those that cannot be ended are skipped.
void KillProcessByName(const std::string& name);

// KillProcessByName("L2.exe"), KillProcessByName("L2.bin"), then sleep(1000 ms)
// on the calling thread (empty sleep: std::this_thread::sleep_for).
void KillGameProcesses(const SleepFunction& sleep = {});

}  // namespace kestrow::shell
