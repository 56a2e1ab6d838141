#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/error.h"
#include "platform/wake_signal.h"

namespace kestrow::platform {

WakeSignal::WakeSignal() {
    int fds[2];
    if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0)
        throw Error("Cannot create the wake-up pipe: " + SystemErrorMessage(errno));
    read_fd_ = fds[0];
    write_fd_ = fds[1];
}

WakeSignal::~WakeSignal() {
    ::close(read_fd_);
    ::close(write_fd_);
}

void WakeSignal::Raise() {
    const char byte = 1;
    // A full pipe already holds a raise that has not been answered.
    while (::write(write_fd_, &byte, 1) < 0 && errno == EINTR) {
    }
}

void WakeSignal::Clear() {
    char bytes[64];
    while (::read(read_fd_, bytes, sizeof bytes) > 0) {
    }
}

}  // namespace kestrow::platform
