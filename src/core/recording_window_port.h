#pragma once
// A window port for tests: it keeps what a window would show and every call
// made, and lets the test answer message boxes. Thread-safe; every accessor
// may be used while workers call the port.

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/progress_bar.h"
#include "core/window_port.h"

namespace kestrow::core {

class RecordingWindowPort final : public WindowPort {
  public:
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
    // Runs getStatus on the caller's thread, under the recorder's lock.
    void ShowStatus() override;
    // Records the text, then runs the message handler (if any) on the caller's
    // thread; the box counts as closed when the handler returns.
    void ShowMessage(const std::string& text) override;

    // Called with each message box text; may block to hold the box open.
    void SetMessageHandler(std::function<void(const std::string&)> handler);

    float FileWidth() const;  // both bars start full (341)
    float TotalWidth() const;
    bool Locked() const;                           // after the last lock or unlock; false at start
    std::string StatusLine() const;                // what the status line shows now; empty at start
    std::vector<std::string> StatusTexts() const;  // every text shown there, in order
    std::vector<std::string> Messages() const;     // every message box, in order
    // Every call in order, as "Name" or "Name(arguments)", e.g.
    // "SetFileProgressValue(50, 200)", "AddTotalProgressWidth(85.25)",
    // "ShowStatusText(text)", "ShowStatus(text shown)", "ShowMessage(text)".
    std::vector<std::string> Calls() const;

  private:
    void Record(std::string call);  // caller holds mutex_

    mutable std::mutex mutex_;
    ProgressBar file_, total_;
    bool locked_ = false;
    std::vector<std::string> status_texts_, messages_, calls_;
    std::function<void(const std::string&)> message_handler_;
};

}  // namespace kestrow::core
