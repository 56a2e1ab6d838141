#pragma once
// The window operations that threads other than the user-interface thread call.
// Every call is synchronous: it returns once the window has done it (the Qt
// window runs it on its user-interface thread while the caller waits). Callers
// hold none of their own locks across these calls.

#include <cstdint>
#include <functional>
#include <string>

namespace kestrow::core {

class WindowPort {
  public:
    virtual ~WindowPort() = default;

    // Locked state: canUpdate false, start and update buttons blocked. Unlocked:
    // the reverse. Implementations set Launcher().canUpdate.
    virtual void LockUpdateControls() = 0;
    virtual void UnlockUpdateControls() = 0;

    // The two bars (progress_bar.h holds the rules every implementation applies).
    virtual void ClearFileProgressBar() = 0;
    virtual void ClearTotalProgressBar() = 0;
    virtual void SetFileProgressWidth(float AWidth) = 0;
    virtual void SetTotalProgressWidth(float AWidth) = 0;
    virtual void AddTotalProgressWidth(float AWidth) = 0;
    virtual void SetFileProgressValue(std::int64_t ACurrent, std::int64_t AMax) = 0;
    virtual void SetTotalProgressValue(std::int64_t ACurrent, std::int64_t AMax) = 0;

    // The status line shows AText (a text of the caller's own, not an id).
    virtual void ShowStatusText(const std::string& AText) = 0;
    // getStatus, then ShowStatusText(g_msg), both on the window's side: shows
    // the id current when it runs (set before with setStatus).
    virtual void ShowStatus() = 0;

    // A modal message box with an OK button; returns when it has been closed.
    virtual void ShowMessage(const std::string& text) = 0;

    // Runs call on the window's thread and returns when it has run (an
    // exception it raises is raised again here). For state the window reads
    // without a lock. Ports without a thread of their own run it at once.
    virtual void RunOnWindowThread(const std::function<void()>& call) { call(); }
};

// The process-wide window port. Until one is installed (and after
// SetWindow(nullptr)) calls go to a port that shows nothing.
WindowPort& Window();
// Installed by the window's owner before any thread uses it.
void SetWindow(WindowPort* port);

// A window port for a scope (tests, tools), restoring the previous one.
class ScopedWindow {
  public:
    explicit ScopedWindow(WindowPort& port) : previous_(&Window()) { SetWindow(&port); }
    ~ScopedWindow() { SetWindow(previous_); }
    ScopedWindow(const ScopedWindow&) = delete;
    ScopedWindow& operator=(const ScopedWindow&) = delete;

  private:
    WindowPort* previous_;
};

// setStatus(nIDMsg), then Window().ShowStatus(): from any thread.
void UpdateStatus(int nIDMsg);

}  // namespace kestrow::core
