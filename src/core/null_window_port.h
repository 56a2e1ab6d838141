#pragma once
// A window port that shows nothing, for benchmarks and tools without a window,
// and the base of test ports that watch only some calls. Lock and unlock still
// move the canUpdate gate, as the window's would.

#include "core/window_port.h"

namespace kestrow::core {

class NullWindowPort : public WindowPort {
  public:
    void LockUpdateControls() override;
    void UnlockUpdateControls() override;
    void ClearFileProgressBar() override {}
    void ClearTotalProgressBar() override {}
    void SetFileProgressWidth(float) override {}
    void SetTotalProgressWidth(float) override {}
    void AddTotalProgressWidth(float) override {}
    void SetFileProgressValue(std::int64_t, std::int64_t) override {}
    void SetTotalProgressValue(std::int64_t, std::int64_t) override {}
    void ShowStatusText(const std::string&) override {}
    void ShowStatus() override {}
    void ShowMessage(const std::string&) override {}
};

}  // namespace kestrow::core
