#pragma once
// The headless updater's window: the status line and the file and total bars
// drawn on a terminal (bytes, speed, time left), plain status lines when the
// output is not a terminal, or nothing at all. Every call is synchronous and
// serialised; drawing is throttled so the display never slows the run.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

#include "core/progress_bar.h"
#include "core/window_port.h"

namespace kestrow::updater {

enum class DisplayMode { Bars, Lines, Quiet };

class TerminalPort final : public core::WindowPort {
  public:
    // out: where the display goes (stderr); messages: where message boxes are
    // printed (stdout).
    // columns: the terminal's width; drawn lines are cut to fit, since a
    // wrapped line would throw off the redraw.
    TerminalPort(DisplayMode mode, std::FILE* out, std::FILE* messages, int columns = 80);
    ~TerminalPort() override;

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

    // A line of the program's own on the display (not in quiet mode), above
    // the bars.
    void Notice(const std::string& line);

    // What the status line shows now: the run's final text once it has ended.
    std::string StatusLine() const;
    // Ends the drawn block so later output starts on a fresh line.
    void Close();

  private:
    void Changed(bool force);  // caller holds mutex_
    void Draw();               // caller holds mutex_
    // Draws the bars once more and leaves them, so other output starts on a
    // fresh line below. Caller holds mutex_.
    void BreakDrawnBlock();
    std::string BarLine(const char* label, const core::ProgressBar& bar,
                        const std::string& detail) const;

    std::string Fit(std::string line) const;

    const DisplayMode mode_;
    const int columns_;
    std::FILE* out_;
    std::FILE* messages_;
    mutable std::mutex mutex_;
    core::ProgressBar file_, total_;
    std::string status_;
    std::string file_detail_, total_detail_;
    // Speed of the file bar's bytes, over the whole update phase.
    std::chrono::steady_clock::time_point bytes_since_{};
    std::int64_t bytes_done_ = 0, last_current_ = 0, last_max_ = 0;
    std::chrono::steady_clock::time_point last_draw_{};
    int drawn_lines_ = 0;
    bool dirty_ = false;
};

// "1.5 MiB", "312 KiB", "17 B".
std::string FormatBytes(std::int64_t bytes);
// "1:05", "1:02:03"; "--:--" when unknown (negative).
std::string FormatDuration(double seconds);

}  // namespace kestrow::updater
