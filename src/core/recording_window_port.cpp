#include "core/recording_window_port.h"

#include <charconv>
#include <utility>

#include "core/launcher_state.h"
#include "core/status_texts.h"

namespace kestrow::core {
namespace {

std::string FloatText(float value) {
    char buf[32];
    auto result = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, result.ptr);
}

std::string PairText(std::int64_t a, std::int64_t b) {
    std::string text = "(";
    text.append(std::to_string(a)).append(", ").append(std::to_string(b)).append(")");
    return text;
}

}  // namespace

void RecordingWindowPort::Record(std::string call) {
    calls_.push_back(std::move(call));
}

void RecordingWindowPort::LockUpdateControls() {
    std::lock_guard lock(mutex_);
    Launcher().canUpdate = false;
    locked_ = true;
    Record("LockUpdateControls");
}

void RecordingWindowPort::UnlockUpdateControls() {
    std::lock_guard lock(mutex_);
    Launcher().canUpdate = true;
    locked_ = false;
    Record("UnlockUpdateControls");
}

void RecordingWindowPort::ClearFileProgressBar() {
    std::lock_guard lock(mutex_);
    file_.Clear();
    Record("ClearFileProgressBar");
}

void RecordingWindowPort::ClearTotalProgressBar() {
    std::lock_guard lock(mutex_);
    total_.Clear();
    Record("ClearTotalProgressBar");
}

void RecordingWindowPort::SetFileProgressWidth(float AWidth) {
    std::lock_guard lock(mutex_);
    file_.SetWidth(AWidth);
    Record("SetFileProgressWidth(" + FloatText(AWidth) + ")");
}

void RecordingWindowPort::SetTotalProgressWidth(float AWidth) {
    std::lock_guard lock(mutex_);
    total_.SetWidth(AWidth);
    Record("SetTotalProgressWidth(" + FloatText(AWidth) + ")");
}

void RecordingWindowPort::AddTotalProgressWidth(float AWidth) {
    std::lock_guard lock(mutex_);
    total_.AddWidth(AWidth);
    Record("AddTotalProgressWidth(" + FloatText(AWidth) + ")");
}

void RecordingWindowPort::SetFileProgressValue(std::int64_t ACurrent, std::int64_t AMax) {
    std::lock_guard lock(mutex_);
    file_.SetValue(ACurrent, AMax);
    Record("SetFileProgressValue" + PairText(ACurrent, AMax));
}

void RecordingWindowPort::SetTotalProgressValue(std::int64_t ACurrent, std::int64_t AMax) {
    std::lock_guard lock(mutex_);
    total_.SetValue(ACurrent, AMax);
    Record("SetTotalProgressValue" + PairText(ACurrent, AMax));
}

void RecordingWindowPort::ShowStatusText(const std::string& AText) {
    std::lock_guard lock(mutex_);
    status_texts_.push_back(AText);
    Record("ShowStatusText(" + AText + ")");
}

void RecordingWindowPort::ShowStatus() {
    std::lock_guard lock(mutex_);
    getStatus();
    const std::string text = Launcher().g_msg;
    status_texts_.push_back(text);
    Record("ShowStatus(" + text + ")");
}

void RecordingWindowPort::ShowMessage(const std::string& text) {
    std::function<void(const std::string&)> handler;
    {
        std::lock_guard lock(mutex_);
        messages_.push_back(text);
        Record("ShowMessage(" + text + ")");
        handler = message_handler_;
    }
    if (handler)
        handler(text);
}

void RecordingWindowPort::SetMessageHandler(std::function<void(const std::string&)> handler) {
    std::lock_guard lock(mutex_);
    message_handler_ = std::move(handler);
}

float RecordingWindowPort::FileWidth() const {
    std::lock_guard lock(mutex_);
    return file_.Width();
}

float RecordingWindowPort::TotalWidth() const {
    std::lock_guard lock(mutex_);
    return total_.Width();
}

bool RecordingWindowPort::Locked() const {
    std::lock_guard lock(mutex_);
    return locked_;
}

std::string RecordingWindowPort::StatusLine() const {
    std::lock_guard lock(mutex_);
    return status_texts_.empty() ? std::string() : status_texts_.back();
}

std::vector<std::string> RecordingWindowPort::StatusTexts() const {
    std::lock_guard lock(mutex_);
    return status_texts_;
}

std::vector<std::string> RecordingWindowPort::Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

std::vector<std::string> RecordingWindowPort::Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

}  // namespace kestrow::core
