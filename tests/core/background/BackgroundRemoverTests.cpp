#include "core/UpscaleError.h"
#include "core/background/BackgroundError.h"
#include "core/background/BackgroundRemover.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {

// A disc in the middle of the picture, as a mask.
Mask disc(int width, int height) {
    Mask mask{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height)};
    const double radius = std::min(width, height) * 0.3;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double dx = x - width / 2.0;
            const double dy = y - height / 2.0;
            mask.values[static_cast<std::size_t>(y) * width + x] =
                dx * dx + dy * dy < radius * radius ? 255 : 0;
        }
    }
    return mask;
}

} // namespace

TEST(Backdrop, EqualityComparesCaseAndValues) {
    EXPECT_EQ(Backdrop(BackdropColor{1, 0.5, 0}), Backdrop(BackdropColor{1, 0.5, 0}));
    EXPECT_NE(Backdrop(BackdropBlur{20}), Backdrop(BackdropBlur{20.5}));
    EXPECT_NE(Backdrop(BackdropTransparent{}), Backdrop(BackdropColor{}));
}

TEST(BackgroundError, Descriptions) {
    EXPECT_STREQ(BackgroundError::noSubject().what(), "No clear subject found in this photo.");
    EXPECT_STREQ(
        BackgroundError::visionUnavailable("the subject model isn't installed").what(),
        "Subject detection isn't available here (the subject model isn't installed). Try on a real device.");
}

TEST(BackgroundRemover, TransparentKeepsTheSubjectAndClearsTheRest) {
    const Bitmap photo = test::gradient(300, 200);
    const Bitmap cut = BackgroundRemover::composite(photo, BackdropTransparent{}, disc(300, 200));
    EXPECT_EQ(cut.width(), 300);
    EXPECT_EQ(cut.height(), 200);
    EXPECT_TRUE(hasAlphaChannel(cut.alphaInfo()));
    EXPECT_EQ(cut.pixel(5, 5)[3], 0);
    EXPECT_EQ(cut.pixel(150, 100)[3], 255);
    EXPECT_NEAR(cut.pixel(150, 100)[0], photo.pixel(150, 100)[0], 2);
}

TEST(BackgroundRemover, WhiteIsAnOpaqueWhiteBackground) {
    const Bitmap cut =
        BackgroundRemover::composite(test::gradient(300, 200), BackdropColor{1, 1, 1}, disc(300, 200));
    EXPECT_EQ(cut.alphaInfo(), AlphaInfo::noneSkipLast);
    for (const auto& [x, y] : {std::pair{2, 2}, std::pair{297, 197}, std::pair{10, 100}}) {
        EXPECT_GE(cut.pixel(x, y)[0], 254);
        EXPECT_GE(cut.pixel(x, y)[1], 254);
        EXPECT_GE(cut.pixel(x, y)[2], 254);
    }
}

TEST(BackgroundRemover, BlurredBackgroundKeepsItsEdgesBright) {
    // A bright photo with fine texture: a blur that pulled in black from outside would darken the
    // border.
    const Bitmap photo =
        test::drawn(3000, 2000, AlphaInfo::noneSkipLast, [](int x, int y) -> std::array<std::uint8_t, 4> {
            const std::uint8_t v = (x / 4 + y / 4) % 2 ? 230 : 190;
            return {v, v, v, 255};
        });
    const Bitmap cut = BackgroundRemover::composite(photo, BackdropBlur{20}, disc(3000, 2000));
    EXPECT_EQ(cut.width(), 3000);
    EXPECT_EQ(cut.alphaInfo(), AlphaInfo::noneSkipLast);
    for (const auto& [x, y] :
         {std::pair{0, 0}, std::pair{2999, 1999}, std::pair{0, 1000}, std::pair{1500, 0}}) {
        EXPECT_NEAR(cut.pixel(x, y)[0], 210, 8) << x << "," << y; // black pulled in would give about 105
    }
    // Sigma 60: the texture is gone from the background but the subject keeps it.
    EXPECT_NEAR(cut.pixel(100, 100)[0], cut.pixel(104, 100)[0], 2);
    EXPECT_GE(std::abs(cut.pixel(1500, 1000)[0] - cut.pixel(1504, 1000)[0]), 30);
}

TEST(BackgroundRemover, AMaskOfAnotherSizeIsRefused) {
    EXPECT_THROW(BackgroundRemover::composite(test::gradient(30, 20), BackdropTransparent{}, disc(20, 30)),
                 UpscaleError);
}

TEST(BackgroundRemover, AFlatPhotoHasNoSubject) {
    try {
        BackgroundRemover::composite(test::solid(400, 300, 128, 128, 128), BackdropTransparent{});
        FAIL();
    } catch (const BackgroundError& error) {
        // Without the network installed the reason is that; with it, nothing is found.
        EXPECT_TRUE(error.errorCase() == BackgroundError::Case::noSubject ||
                    error.errorCase() == BackgroundError::Case::visionUnavailable);
    }
}
