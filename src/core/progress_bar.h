#pragma once
// The arithmetic of the two progress bars, shared by every window port: a bar is
// 341 pixels wide when full and 0 when empty, and never leaves that range.

#include <cstdint>

namespace kestrow::core {

inline constexpr float kProgressBarFullWidth = 341.0f;

// AWidth limited to 0..341; a NaN reads as 0.
float ClampProgressWidth(double width);

// ACurrent / AMax of the full width, limited to 0..341; 0 when AMax is not above 0.
float ProgressWidthForValue(std::int64_t ACurrent, std::int64_t AMax);

// One bar's displayed width. A new bar is full, as the window first shows it.
class ProgressBar {
  public:
    float Width() const { return width_; }
    // Width in whole pixels, rounded to the nearest (halves up), for drawing.
    int PixelWidth() const;
    // Width as a share of the full bar, 0..1.
    double Fraction() const { return width_ / kProgressBarFullWidth; }

    void Clear() { width_ = 0.0f; }
    void SetWidth(float AWidth) { width_ = ClampProgressWidth(AWidth); }
    void AddWidth(float AWidth) {
        width_ = ClampProgressWidth(static_cast<double>(width_) + static_cast<double>(AWidth));
    }
    void SetValue(std::int64_t ACurrent, std::int64_t AMax) {
        width_ = ProgressWidthForValue(ACurrent, AMax);
    }

  private:
    float width_ = kProgressBarFullWidth;
};

}  // namespace kestrow::core
