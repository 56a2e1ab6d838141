#include "ui/qt_window_port.h"

#include <QThread>
#include <exception>

#include "core/launcher_state.h"
#include "core/status_texts.h"
#include "ui/tform1.h"

namespace kestrow::ui {

QtWindowPort::QtWindowPort(TForm1& form) : form_(form) {
    QObject::connect(&waker_, &ThreadWaker::Woken, &waker_, [this] { ServeCalls(); });
}

void QtWindowPort::RunOnWindowThread(const std::function<void()>& call) {
    if (QThread::currentThread() == form_.thread()) {
        call();
        return;
    }
    Call queued{&call, {}};
    std::unique_lock lock(mutex_);
    pending_.push_back(&queued);
    waker_.Wake();
    done_cv_.wait(lock, [&queued] { return queued.done; });
    if (queued.failure)
        std::rethrow_exception(queued.failure);
}

void QtWindowPort::ServeCalls() {
    // One at a time: a call may open a modal loop that serves the next ones.
    for (;;) {
        Call* call = nullptr;
        {
            const std::lock_guard lock(mutex_);
            if (pending_.empty())
                return;
            call = pending_.front();
            pending_.pop_front();
        }
        std::exception_ptr failure;
        try {
            (*call->body)();
        } catch (...) {
            // Carried over and raised again on the calling thread.
            failure = std::current_exception();
        }
        {
            const std::lock_guard lock(mutex_);
            call->failure = failure;
            call->done = true;
        }
        done_cv_.notify_all();
    }
}

void QtWindowPort::LockUpdateControls() {
    RunOnWindowThread([this] { form_.LockUpdateControls(); });
}
void QtWindowPort::UnlockUpdateControls() {
    RunOnWindowThread([this] { form_.UnlockUpdateControls(); });
}
void QtWindowPort::ClearFileProgressBar() {
    RunOnWindowThread([this] { form_.ClearFileProgressBar(); });
}
void QtWindowPort::ClearTotalProgressBar() {
    RunOnWindowThread([this] { form_.ClearTotalProgressBar(); });
}
void QtWindowPort::SetFileProgressWidth(float AWidth) {
    RunOnWindowThread([this, AWidth] { form_.SetFileProgressWidth(AWidth); });
}
void QtWindowPort::SetTotalProgressWidth(float AWidth) {
    RunOnWindowThread([this, AWidth] { form_.SetTotalProgressWidth(AWidth); });
}
void QtWindowPort::AddTotalProgressWidth(float AWidth) {
    RunOnWindowThread([this, AWidth] { form_.AddTotalProgressWidth(AWidth); });
}
void QtWindowPort::SetFileProgressValue(std::int64_t ACurrent, std::int64_t AMax) {
    RunOnWindowThread([this, ACurrent, AMax] { form_.SetFileProgressValue(ACurrent, AMax); });
}
void QtWindowPort::SetTotalProgressValue(std::int64_t ACurrent, std::int64_t AMax) {
    RunOnWindowThread([this, ACurrent, AMax] { form_.SetTotalProgressValue(ACurrent, AMax); });
}
void QtWindowPort::ShowStatusText(const std::string& AText) {
    RunOnWindowThread([this, &AText] { form_.ShowStatusText(QString::fromStdString(AText)); });
}
void QtWindowPort::ShowStatus() {
    RunOnWindowThread([this] {
        core::getStatus();
        form_.ShowStatusText(QString::fromStdString(core::Launcher().g_msg));
    });
}
void QtWindowPort::ShowMessage(const std::string& text) {
    RunOnWindowThread([this, &text] { form_.ShowMessageBox(QString::fromStdString(text)); });
}

}  // namespace kestrow::ui
