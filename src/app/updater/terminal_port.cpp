#include "app/updater/terminal_port.h"

#include <cmath>

#include "core/launcher_state.h"
#include "core/status_texts.h"

namespace kestrow::updater {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr int kBarCells = 30;

}  // namespace

std::string FormatBytes(std::int64_t bytes) {
    const char* units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    double value = static_cast<double>(bytes < 0 ? 0 : bytes);
    int unit = 0;
    while (value >= 1024.0 && unit < 4) {
        value /= 1024.0;
        ++unit;
    }
    char text[32];
    if (unit == 0) {
        std::snprintf(text, sizeof text, "%lld B", static_cast<long long>(bytes < 0 ? 0 : bytes));
    } else {
        std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    }
    return text;
}

std::string FormatDuration(double seconds) {
    if (!(seconds >= 0) || seconds > 360000) {
        return "--:--";
    }
    const auto total = static_cast<long long>(std::llround(seconds));
    char text[32];
    if (total >= 3600) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60,
                      total % 60);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
    }
    return text;
}

TerminalPort::TerminalPort(DisplayMode mode, std::FILE* out, std::FILE* messages, int columns)
    : mode_(mode), columns_(columns > 10 ? columns : 80), out_(out), messages_(messages) {}

std::string TerminalPort::Fit(std::string line) const {
    // Count code points, not bytes: status texts are often Cyrillic.
    int points = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80 && ++points == columns_) {
            line.resize(i);
            break;
        }
    }
    return line;
}

TerminalPort::~TerminalPort() {
    Close();
}

void TerminalPort::LockUpdateControls() {
    core::Launcher().canUpdate = false;
}

void TerminalPort::UnlockUpdateControls() {
    core::Launcher().canUpdate = true;
}

void TerminalPort::ClearFileProgressBar() {
    const std::lock_guard lock(mutex_);
    file_.Clear();
    file_detail_.clear();
    Changed(false);
}

void TerminalPort::ClearTotalProgressBar() {
    const std::lock_guard lock(mutex_);
    total_.Clear();
    total_detail_.clear();
    bytes_since_ = Clock::now();
    bytes_done_ = last_current_ = last_max_ = 0;
    Changed(false);
}

void TerminalPort::SetFileProgressWidth(float AWidth) {
    const std::lock_guard lock(mutex_);
    file_.SetWidth(AWidth);
    file_detail_.clear();
    Changed(true);
}

void TerminalPort::SetTotalProgressWidth(float AWidth) {
    const std::lock_guard lock(mutex_);
    total_.SetWidth(AWidth);
    total_detail_.clear();
    Changed(true);
}

void TerminalPort::AddTotalProgressWidth(float AWidth) {
    const std::lock_guard lock(mutex_);
    total_.AddWidth(AWidth);
    Changed(false);
}

void TerminalPort::SetFileProgressValue(std::int64_t ACurrent, std::int64_t AMax) {
    const std::lock_guard lock(mutex_);
    file_.SetValue(ACurrent, AMax);
    // The bar sums both downloads; a new file restarts it. Count the bytes
    // that arrived since the last call for the speed.
    if (AMax == last_max_ && ACurrent >= last_current_) {
        bytes_done_ += ACurrent - last_current_;
    } else if (ACurrent > 0) {
        bytes_done_ += ACurrent;
    }
    last_current_ = ACurrent;
    last_max_ = AMax;
    if (mode_ == DisplayMode::Bars) {
        const double seconds = std::chrono::duration<double>(Clock::now() - bytes_since_).count();
        const double speed = seconds > 0.2 ? static_cast<double>(bytes_done_) / seconds : 0;
        std::string detail = FormatBytes(ACurrent) + " / " + FormatBytes(AMax);
        if (speed > 0) {
            detail += "  " + FormatBytes(static_cast<std::int64_t>(speed)) + "/s  " +
                      FormatDuration(static_cast<double>(AMax - ACurrent) / speed) + " left";
        }
        file_detail_ = std::move(detail);
    }
    Changed(false);
}

void TerminalPort::SetTotalProgressValue(std::int64_t ACurrent, std::int64_t AMax) {
    const std::lock_guard lock(mutex_);
    total_.SetValue(ACurrent, AMax);
    std::string detail = std::to_string(ACurrent) + " / " + std::to_string(AMax) + " files";
    const double seconds = std::chrono::duration<double>(Clock::now() - bytes_since_).count();
    if (ACurrent > 0 && AMax > ACurrent && seconds > 0) {
        detail += "  " +
                  FormatDuration(seconds / static_cast<double>(ACurrent) *
                                 static_cast<double>(AMax - ACurrent)) +
                  " left";
    }
    total_detail_ = std::move(detail);
    Changed(ACurrent == AMax);
}

void TerminalPort::ShowStatusText(const std::string& AText) {
    const std::lock_guard lock(mutex_);
    if (AText == status_) {
        return;
    }
    status_ = AText;
    if (mode_ == DisplayMode::Lines) {
        std::fprintf(out_, "%s\n", status_.c_str());
        std::fflush(out_);
        return;
    }
    Changed(false);
}

void TerminalPort::ShowStatus() {
    std::string text;
    {
        const std::lock_guard lock(mutex_);
        core::getStatus();
        text = core::Launcher().g_msg;
    }
    ShowStatusText(text);
}

void TerminalPort::BreakDrawnBlock() {
    if (drawn_lines_ > 0) {
        Draw();
        std::fprintf(out_, "\n");
        drawn_lines_ = 0;
    }
}

void TerminalPort::ShowMessage(const std::string& text) {
    const std::lock_guard lock(mutex_);
    BreakDrawnBlock();
    // A message box has CR LF paragraph breaks; a terminal wants plain lines.
    std::string plain;
    for (char c : text) {
        if (c != '\r') {
            plain += c;
        }
    }
    std::fprintf(messages_, "%s\n", plain.c_str());
    std::fflush(messages_);
}

void TerminalPort::Notice(const std::string& line) {
    const std::lock_guard lock(mutex_);
    if (mode_ == DisplayMode::Quiet) {
        return;
    }
    BreakDrawnBlock();
    std::fprintf(out_, "%s\n", line.c_str());
    std::fflush(out_);
}

std::string TerminalPort::StatusLine() const {
    const std::lock_guard lock(mutex_);
    return status_;
}

void TerminalPort::Close() {
    const std::lock_guard lock(mutex_);
    if (mode_ != DisplayMode::Bars) {
        return;
    }
    if (dirty_ || drawn_lines_ == 0) {
        Draw();
    }
    if (drawn_lines_ > 0) {
        std::fprintf(out_, "\n");
        std::fflush(out_);
        drawn_lines_ = 0;
    }
}

void TerminalPort::Changed(bool force) {
    if (mode_ != DisplayMode::Bars) {
        return;
    }
    dirty_ = true;
    const auto now = Clock::now();
    if (force || now - last_draw_ >= kRedrawInterval) {
        Draw();
        last_draw_ = now;
    }
}

std::string TerminalPort::BarLine(const char* label, const core::ProgressBar& bar,
                                  const std::string& detail) const {
    const int cells = static_cast<int>(std::lround(bar.Fraction() * kBarCells));
    std::string line = label;
    line += " [";
    for (int i = 0; i < kBarCells; ++i) {
        line += i < cells ? "#" : "-";
    }
    char percent[16];
    std::snprintf(percent, sizeof percent, "] %3d%%", static_cast<int>(bar.Fraction() * 100));
    line += percent;
    if (!detail.empty()) {
        line += "  " + detail;
    }
    return line;
}

void TerminalPort::Draw() {
    // Back to the first line of the block, then each line anew (erased to
    // its end, so shorter texts leave nothing behind).
    std::string block;
    if (drawn_lines_ > 1) {
        block += "\x1b[" + std::to_string(drawn_lines_ - 1) + "F";
    } else if (drawn_lines_ == 1) {
        block += "\r";
    }
    block += Fit(status_) + "\x1b[K\n";
    block += Fit(BarLine("File ", file_, file_detail_)) + "\x1b[K\n";
    block += Fit(BarLine("Total", total_, total_detail_)) + "\x1b[K";
    std::fputs(block.c_str(), out_);
    std::fflush(out_);
    drawn_lines_ = 3;
    dirty_ = false;
}

}  // namespace kestrow::updater
