#pragma once
// The window port of the Qt main window: each call runs on the window's thread.
// From another thread it is a blocking queued call (the caller waits until the
// window has done it); on the window's thread itself it runs directly. An
// exception thrown by the window side reaches the caller.

#include <functional>

#include "core/window_port.h"

namespace kestrow::ui {

class TForm1;

class QtWindowPort final : public core::WindowPort {
  public:
    explicit QtWindowPort(TForm1& form) : form_(form) {}

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
    void RunOnWindowThread(const std::function<void()>& call);
    TForm1& form_;
};

}  // namespace kestrow::ui
