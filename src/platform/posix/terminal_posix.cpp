#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "platform/terminal.h"

namespace kestrow::platform {

namespace {

std::atomic<int>* g_interrupt_count = nullptr;
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnInterrupt(int) {
    if (g_interrupt_count != nullptr) {
        g_interrupt_count->fetch_add(1);
    }
}

int Descriptor(StdStream stream) {
    return stream == StdStream::Out ? STDOUT_FILENO : STDERR_FILENO;
}

}  // namespace

bool IsTerminal(StdStream stream) {
    return isatty(Descriptor(stream)) != 0;
}

int TerminalColumns(StdStream stream) {
    winsize size{};
    if (ioctl(Descriptor(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return 80;
}

void CatchInterrupt(std::atomic<int>& count) {
    g_interrupt_count = &count;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

}  // namespace kestrow::platform
