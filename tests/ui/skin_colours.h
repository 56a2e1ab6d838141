#pragma once
// Telling a skinned widget from one left in the platform's default look.

#include <QColor>
#include <QImage>
#include <algorithm>

namespace kestrow::test {

// The share of a picture's pixels in the light grey of Qt's default widgets;
// the skin's panels are dark and its buttons gold.
inline double LightGreyShare(const QImage& image) {
    int grey = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int low = std::min({c.red(), c.green(), c.blue()});
            const int high = std::max({c.red(), c.green(), c.blue()});
            grey += low > 190 && high - low < 16;
        }
    }
    return static_cast<double>(grey) / (image.width() * image.height());
}

}  // namespace kestrow::test
