#pragma once
// The single-instance guard of the launcher.

#include <string>

namespace kestrow::shell {

// The guard's name for an executable path: its file name cut before the
// first ".", every character after the first lower-cased (Unicode).
std::string MutexNameFor(const std::string& executable_path);

// Takes the guard named after the running executable (or name) and keeps it
// until the process ends. True: this is the first instance. False: another
// instance holds it; the caller shows kAlreadyRunningMessage and ends the
// process. When the guard cannot be set up at all the launcher runs unguarded
// (true, and a warning in the log).
bool IsRunFirst();
bool IsRunFirst(const std::string& mutex_name);

}  // namespace kestrow::shell
