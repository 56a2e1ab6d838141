#pragma once
// A published service answered by the fault server.

#include <chrono>
#include <string>

#include "support/fault_server.h"

namespace kestrow::test {

// Answers every file below root at its path below "/" (spaces as %20), the
// archives (".lzma") only after archive_delay, so a run is still
// downloading when a test acts.
void ServeTree(FaultServer& server, const std::string& root,
               std::chrono::milliseconds archive_delay);

}  // namespace kestrow::test
