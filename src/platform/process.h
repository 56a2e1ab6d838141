#pragma once
// Starting and ending processes of other programs.

#include <string>
#include <vector>

namespace kestrow::platform {

// CreateProcessW(no application name, command_line, no handles inherited,
// NORMAL_PRIORITY_CLASS, the launcher's environment, working_directory) with
// SW_SHOWNORMAL; both handles closed at once, the process not waited for.
//
// POSIX: command_line is split as Windows splits it and started with
// posix_spawn in working_directory (empty: the current directory), in a
// session of its own, with standard input, output and error inherited and no
// other descriptor. A program whose name ends in ".exe" (any case) runs
// through WineCommand(), with the program's path as Wine's first argument. A
// relative program path is taken from the current directory, not from
// working_directory, as on Windows; a bare program name is looked for in the
// current directory, then in PATH. True when the process was created; a
// program that cannot be executed or a missing working directory gives false.
bool StartProcess(const std::string& command_line, const std::string& working_directory);

// The words of the command that runs Windows programs: the environment
// variable KESTROW_WINE, split like a command line, when it holds any word;
// else "wine", looked up in PATH.
std::vector<std::string> WineCommand();

// Ends (SIGKILL; Windows: TerminateProcess with exit code 0) every process
// whose executable file name equals name without regard to letter case (A to
// Z). A process that cannot be ended is skipped; the calling process is never
// ended. POSIX compares the file name of /proc/<pid>/exe, /proc/<pid>/comm and
// the file name of argv[0] ('/' or '\' separated), so a client started through
// Wine, whose executable is Wine's loader, is found by the name Wine gives it;
// and it ends only processes of the caller's own user, also when run by root.
// Returns how many processes were signalled.
int KillProcessesByName(const std::string& name);

}  // namespace kestrow::platform
