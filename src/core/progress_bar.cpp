#include "core/progress_bar.h"

#include <cmath>

namespace kestrow::core {

float ClampProgressWidth(double width) {
    if (!(width > 0.0))
        return 0.0f;  // also NaN
    if (width >= kProgressBarFullWidth)
        return kProgressBarFullWidth;
    return static_cast<float>(width);
}

float ProgressWidthForValue(std::int64_t ACurrent, std::int64_t AMax) {
    if (AMax <= 0)
        return 0.0f;
    return ClampProgressWidth(static_cast<double>(ACurrent) / static_cast<double>(AMax) *
                              kProgressBarFullWidth);
}

int ProgressBar::PixelWidth() const {
    return static_cast<int>(std::floor(width_ + 0.5f));
}

}  // namespace kestrow::core
