#pragma once
// A full disk without root: a child process whose files cannot grow past a
// size, so that writes beyond it fail with EFBIG.

#include <cstdint>
#include <functional>
#include <string>

namespace kestrow::test {

// Runs body in a forked child under RLIMIT_FSIZE = limit (SIGXFSZ ignored) and
// returns "" when body returned, "<class>: <message>" when it raised, or a
// note on how the child ended when it did not exit normally.
std::string RunWithFileSizeLimit(std::uint64_t limit, const std::function<void()>& body);

}  // namespace kestrow::test
