#include "ui/thread_waker.h"

#include <QMetaObject>
#include <QSocketNotifier>
#include <cerrno>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include "platform/error.h"

namespace kestrow::ui {

#ifndef _WIN32

ThreadWaker::ThreadWaker(QObject* parent) : QObject(parent) {
    int fds[2];
    if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0)
        throw platform::Error("Cannot create the window's wake-up pipe: " +
                              platform::SystemErrorMessage(errno));
    read_fd_ = fds[0];
    write_fd_ = fds[1];
    notifier_ = std::make_unique<QSocketNotifier>(read_fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        Drain();
        emit Woken();
    });
}

ThreadWaker::~ThreadWaker() {
    notifier_.reset();
    ::close(read_fd_);
    ::close(write_fd_);
}

void ThreadWaker::Wake() {
    const char byte = 1;
    // A full pipe already holds a wake-up that has not been answered.
    while (::write(write_fd_, &byte, 1) < 0 && errno == EINTR) {
    }
}

void ThreadWaker::Drain() {
    char bytes[64];
    while (::read(read_fd_, bytes, sizeof bytes) > 0) {
    }
}

#else

ThreadWaker::ThreadWaker(QObject* parent) : QObject(parent) {}
ThreadWaker::~ThreadWaker() = default;

void ThreadWaker::Wake() {
    QMetaObject::invokeMethod(this, &ThreadWaker::Woken, Qt::QueuedConnection);
}

void ThreadWaker::Drain() {}

#endif

}  // namespace kestrow::ui
