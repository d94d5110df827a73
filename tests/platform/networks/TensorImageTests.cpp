#include "platform/networks/detail/TensorImage.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace orvane;

TEST(TensorImage, FollowsTheChannelOrderAndRangeAndClampsWhatTheNetworkGives) {
    PixelBuffer pixels(2, 1);
    const std::uint8_t bgra[] = {0, 51, 255, 9, 102, 153, 204, 9};
    std::copy(std::begin(bgra), std::end(bgra), pixels.data());

    const TensorImage::PixelLayout bgrUnit{1, "BGR"};
    const auto unit = TensorImage::fromPixels(pixels, bgrUnit);
    const std::vector<float> expected = {0, 0.4f, 0.2f, 0.6f, 1, 0.8f};
    ASSERT_EQ(unit.size(), expected.size());
    for (std::size_t i = 0; i < unit.size(); ++i) {
        EXPECT_NEAR(unit[i], expected[i], 1e-6) << i;
    }
    const TensorImage::PixelLayout rgbBytes{255, "RGB"};
    EXPECT_EQ(TensorImage::fromPixels(pixels, rgbBytes), (std::vector<float>{255, 204, 51, 153, 0, 102}));

    const float nan = std::numeric_limits<float>::quiet_NaN();
    // R plane, G plane, B plane of a 3 × 1 image in [0, 1].
    const float tensor[] = {-0.5f, 0.5f, 1.5f, nan, 0.25f, 1, 0.002f, 0.998f, 0};
    const PixelBuffer back = TensorImage::toPixels(tensor, 3, 1, TensorImage::PixelLayout{1, "RGB"});
    const std::vector<std::uint8_t> bytes(back.data(), back.data() + 12);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{1, 0, 0, 255, 254, 64, 128, 255, 0, 255, 255, 255}));
}
