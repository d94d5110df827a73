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

// A part of the network's picture written red first into a larger picture gives the bytes the whole
// conversion gives there, in either channel order and range, and leaves every byte around it alone.
TEST(TensorImage, APartGoesIntoAPictureRedFirstAsTheWholeConversionGivesIt) {
    const int width = 301;
    const int height = 67;
    std::vector<float> tensor(static_cast<std::size_t>(3) * width * height);
    for (std::size_t i = 0; i < tensor.size(); ++i) {
        tensor[i] = i % 97 == 0 ? std::numeric_limits<float>::quiet_NaN()
                                : static_cast<float>(static_cast<int>(i * 7919 % 1201) - 100) / 1000.0f;
    }
    for (const TensorImage::PixelLayout& layout :
         {TensorImage::PixelLayout{1, "RGB"}, TensorImage::PixelLayout{1, "BGR"}}) {
        const PixelBuffer whole = TensorImage::toPixels(tensor.data(), width, height, layout);
        const TensorImage::Part part{13, 5, 250, 60};
        const std::size_t rowBytes = 260 * 4;
        std::vector<std::uint8_t> picture(rowBytes * 64, 7);
        std::uint8_t* const corner = picture.data() + 2 * rowBytes + 3 * 4;
        TensorImage::toRgba(tensor.data(), width, height, layout, part, corner, rowBytes);
        int wrong = 0;
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 260; ++x) {
                const std::uint8_t* got = picture.data() + y * rowBytes + x * 4;
                const int px = x - 3;
                const int py = y - 2;
                if (px < 0 || py < 0 || px >= part.width || py >= part.height) {
                    wrong += got[0] != 7 || got[1] != 7 || got[2] != 7 || got[3] != 7;
                    continue;
                }
                const std::uint8_t* bgra = whole.row(part.y + py) + (part.x + px) * 4;
                wrong += got[0] != bgra[2] || got[1] != bgra[1] || got[2] != bgra[0] || got[3] != 255;
            }
        }
        EXPECT_EQ(wrong, 0) << layout.channelOrder;
    }
}
