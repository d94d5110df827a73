#include "core/upscale/DeviceLimits.h"

#include <gtest/gtest.h>

using namespace orvane;

constexpr std::uint64_t GiB = 1024ull * 1024 * 1024;

TEST(DeviceLimits, OneThirtySecondOfMemoryCappedAt400Megapixels) {
    EXPECT_EQ(DeviceLimits::maxPixels(4 * GiB), 134'217'728);
    EXPECT_EQ(DeviceLimits::maxPixels(8 * GiB), 268'435'456);
    EXPECT_EQ(DeviceLimits::maxPixels(32 * GiB), 400'000'000);
    EXPECT_GT(DeviceLimits::physicalMemory(), 0u);
    EXPECT_EQ(DeviceLimits::maxPixels(), DeviceLimits::maxPixels(DeviceLimits::physicalMemory()));
}

TEST(DeviceLimits, MaxScaleLowersOnlyWhatExceedsTheBudget) {
    const std::int64_t eightGiB = DeviceLimits::maxPixels(8 * GiB);
    EXPECT_NEAR(DeviceLimits::maxScale(4000, 3000, 8, eightGiB), 4.7297, 1e-4);
    EXPECT_EQ(DeviceLimits::maxScale(4000, 3000, 4, eightGiB), 4);
    EXPECT_NEAR(DeviceLimits::maxScale(20000, 20000, 2, eightGiB), 0.819, 1e-3);
    EXPECT_EQ(DeviceLimits::maxScale(0, 0, 4, eightGiB), 4);
    EXPECT_EQ(DeviceLimits::maxScale(0, 0, 4), 4);
}

TEST(DeviceLimits, APictureFitsTheBudgetUpToItsLastPixel) {
    EXPECT_TRUE(DeviceLimits::fitsPixelBudget(20000, 20000, 400'000'000));
    EXPECT_FALSE(DeviceLimits::fitsPixelBudget(20000, 20001, 400'000'000));
    EXPECT_FALSE(DeviceLimits::fitsPixelBudget(-1, 5, 400'000'000));
    EXPECT_FALSE(DeviceLimits::fitsPixelBudget(INT64_MAX, 3, 400'000'000));
    EXPECT_TRUE(DeviceLimits::fitsPixelBudget(0, 0));
}
