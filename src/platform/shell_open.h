#pragma once
// Opening a document or an address with the desktop's default handler.

#include <string>

namespace kestrow::platform {

// ShellExecuteW(verb "open", target, no parameters, no directory,
// SW_SHOWNORMAL); true when the result is above 32. POSIX: xdg-open target,
// started detached (own session, input and output on /dev/null) and not
// waited for; true when xdg-open could be started; whether it then finds a
// handler is not known here.
bool ShellOpen(const std::string& target);

}  // namespace kestrow::platform
