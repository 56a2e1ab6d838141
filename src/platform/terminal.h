#pragma once
// The console a command-line program runs in.

#include <atomic>

namespace kestrow::platform {

enum class StdStream { Out, Err };

// True when the stream is a terminal (not a file or a pipe).
bool IsTerminal(StdStream stream);
// The terminal's width in columns; 80 when unknown.
int TerminalColumns(StdStream stream);

// Ctrl-C (and a polite termination request) adds one to count instead of
// ending the process. The counter must outlive the program's run.
void CatchInterrupt(std::atomic<int>& count);

}  // namespace kestrow::platform
