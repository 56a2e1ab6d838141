#pragma once
// Wakes the thread that owns it from any thread, without Qt objects made or
// events posted by the waking thread: a platform wake signal whose descriptor
// a socket notifier of the owning thread watches. The owning thread then emits
// Woken from its event loop, also from a nested one or while it pumps events.

#include <QObject>
#include <memory>

#include "platform/wake_signal.h"

class QSocketNotifier;

namespace kestrow::ui {

class ThreadWaker : public QObject {
    Q_OBJECT
  public:
    // Made on the thread that is to be woken.
    explicit ThreadWaker(QObject* parent = nullptr);
    ~ThreadWaker() override;
    ThreadWaker(const ThreadWaker&) = delete;
    ThreadWaker& operator=(const ThreadWaker&) = delete;

    // Any thread. Wakes coalesce: one Woken may answer several.
    void Wake();

  signals:
    void Woken();

  private:
    platform::WakeSignal signal_;
    std::unique_ptr<QSocketNotifier> notifier_;  // after signal_: watches its descriptor
};

}  // namespace kestrow::ui
