#include "ui/thread_waker.h"

#include <QSocketNotifier>

namespace kestrow::ui {

ThreadWaker::ThreadWaker(QObject* parent)
    : QObject(parent),
      notifier_(
          std::make_unique<QSocketNotifier>(signal_.ReadDescriptor(), QSocketNotifier::Read)) {
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        signal_.Clear();
        emit Woken();
    });
}

ThreadWaker::~ThreadWaker() = default;

void ThreadWaker::Wake() {
    signal_.Raise();
}

}  // namespace kestrow::ui
