#include "ui/qt_window_port.h"

#include <QMetaObject>
#include <QThread>
#include <exception>

#include "core/launcher_state.h"
#include "core/status_texts.h"
#include "ui/tform1.h"

namespace kestrow::ui {

void QtWindowPort::RunOnWindowThread(const std::function<void()>& call) {
    if (QThread::currentThread() == form_.thread()) {
        call();
        return;
    }
    // An exception must not unwind through Qt's event loop: it is carried over
    // and raised again on the calling thread.
    std::exception_ptr failure;
    QMetaObject::invokeMethod(
        &form_,
        [&call, &failure] {
            try {
                call();
            } catch (...) {
                failure = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (failure)
        std::rethrow_exception(failure);
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
