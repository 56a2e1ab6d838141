#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "core/progress_bar.h"

namespace kestrow::core {
namespace {

TEST(ProgressBar, ValueArithmetic) {
    struct Case {
        std::int64_t current, max;
        float expected;
    } cases[] = {
        {50, 200, 85.25f},
        {5, 0, 0.0f},  // AMax 0 clears
        {5, -3, 0.0f},
        {300, 200, 341.0f},  // beyond the end stays full
        {200, 200, 341.0f},
        {0, 200, 0.0f},
        {-10, 200, 0.0f},
        {1, 3, 341.0f / 3.0f},
        // 64-bit sizes beyond 4 GiB
        {std::int64_t{3} << 32, std::int64_t{4} << 32, 255.75f},
        {std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::int64_t>::max(),
         341.0f},
    };
    for (const Case& c : cases) {
        EXPECT_FLOAT_EQ(ProgressWidthForValue(c.current, c.max), c.expected)
            << c.current << "/" << c.max;
        ProgressBar bar;
        bar.SetValue(c.current, c.max);
        EXPECT_FLOAT_EQ(bar.Width(), c.expected);
    }
}

TEST(ProgressBar, WidthsAreClampedAndAddStopsAtFull) {
    struct Case {
        float start, add;
        float expected;
    } adds[] = {
        {0.0f, 85.25f, 85.25f},   {300.0f, 41.0f, 341.0f},
        {300.0f, 100.0f, 341.0f}, {341.0f, 0.001f, 341.0f},
        {10.0f, -20.0f, 0.0f},    {100.0f, std::numeric_limits<float>::infinity(), 341.0f},
    };
    for (const Case& c : adds) {
        ProgressBar bar;
        bar.SetWidth(c.start);
        bar.AddWidth(c.add);
        EXPECT_FLOAT_EQ(bar.Width(), c.expected) << c.start << " + " << c.add;
    }
    struct Set {
        float width, expected;
    } sets[] = {{-1.0f, 0.0f},    {0.0f, 0.0f},   {170.5f, 170.5f},
                {341.0f, 341.0f}, {1e9f, 341.0f}, {std::nanf(""), 0.0f}};
    for (const Set& s : sets) {
        ProgressBar bar;
        bar.SetWidth(s.width);
        EXPECT_FLOAT_EQ(bar.Width(), s.expected) << s.width;
    }
}

TEST(ProgressBar, StartsFullClearsToZeroAndRoundsToPixels) {
    ProgressBar bar;
    EXPECT_FLOAT_EQ(bar.Width(), 341.0f);
    EXPECT_DOUBLE_EQ(bar.Fraction(), 1.0);
    bar.Clear();
    EXPECT_FLOAT_EQ(bar.Width(), 0.0f);

    struct Case {
        float width;
        int pixels;
    } cases[] = {{0.0f, 0}, {0.49f, 0}, {0.5f, 1}, {85.25f, 85}, {85.5f, 86}, {340.6f, 341}};
    for (const Case& c : cases) {
        bar.SetWidth(c.width);
        EXPECT_EQ(bar.PixelWidth(), c.pixels) << c.width;
    }

    // Many small steps of 341 / n add up to the full bar without leaving it.
    bar.Clear();
    const int n = 7;
    for (int i = 0; i < n; ++i)
        bar.AddWidth(kProgressBarFullWidth / n);
    EXPECT_NEAR(bar.Width(), 341.0f, 1e-3f);
    EXPECT_LE(bar.Width(), 341.0f);
}

}  // namespace
}  // namespace kestrow::core
