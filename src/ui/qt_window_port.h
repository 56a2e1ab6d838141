#pragma once
// The window port of the Qt main window: each call runs on the window's thread.
// From another thread the caller queues it and waits until the window has done
// it; on the window's thread itself it runs directly. An exception thrown by
// the window side reaches the caller. The hand-over is a mutex and a condition
// variable of our own, the wake-up a ThreadWaker, so the thread sanitizer sees
// every hand-over (Qt's own blocking queued call is invisible to it).

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>

#include "core/window_port.h"
#include "ui/thread_waker.h"

namespace kestrow::ui {

class TForm1;

class QtWindowPort final : public core::WindowPort {
  public:
    // Made on the window's thread.
    explicit QtWindowPort(TForm1& form);

    void LockUpdateControls() override;
    void UnlockUpdateControls() override;
    void ClearFileProgressBar() override;
    void ClearTotalProgressBar() override;
    void SetFileProgressWidth(float AWidth) override;
    void SetTotalProgressWidth(float AWidth) override;
    void AddTotalProgressWidth(float AWidth) override;
    void SetFileProgressValue(std::int64_t ACurrent, std::int64_t AMax) override;
    void SetTotalProgressValue(std::int64_t ACurrent, std::int64_t AMax) override;
    void ShowStatusText(const std::string& AText) override;
    void ShowStatus() override;
    void ShowMessage(const std::string& text) override;

  private:
    struct Call {
        const std::function<void()>* body;
        std::exception_ptr failure;
        bool done = false;
    };
    void RunOnWindowThread(const std::function<void()>& call) override;
    // The window's thread: runs every queued call in order.
    void ServeCalls();

    TForm1& form_;
    std::mutex mutex_;
    std::condition_variable done_cv_;
    std::deque<Call*> pending_;
    ThreadWaker waker_;
};

}  // namespace kestrow::ui
