#pragma once
// posix_spawn of a detached process, shared by the process and shell-open services.

#include <string>
#include <vector>

namespace kestrow::platform::posix {

struct SpawnRequest {
    std::vector<std::string> argv;  // argv[0] is the program
    std::string working_directory;  // empty: the current one
    bool search_path = false;       // look argv[0] up in PATH when it has no '/'
    bool quiet = false;             // standard input, output and error on /dev/null
};

// Starts the process in a session of its own, with a clean signal mask,
// default signal actions and no descriptor above 2. Not waited for: started
// processes that have ended are reaped at the next call. True when the
// program was executed.
bool SpawnDetached(const SpawnRequest& request);

}  // namespace kestrow::platform::posix
