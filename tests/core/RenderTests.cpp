#include "core/Render.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

using namespace orvane;

TEST(Render, DownscaledKeepsTheShortSideAtLeastOnePixel) {
    const Bitmap wide = Render::downscaled(test::gradient(10000, 10), 100);
    EXPECT_EQ(wide.width(), 100);
    EXPECT_EQ(wide.height(), 1);
    const Bitmap tall = Render::downscaled(test::gradient(10, 10000), 5);
    EXPECT_EQ(tall.width(), 1);
    EXPECT_EQ(tall.height(), 5);
    const Bitmap photo = Render::downscaled(test::gradient(4000, 3000), 1000);
    EXPECT_EQ(photo.width(), 1000);
    EXPECT_EQ(photo.height(), 750);
}

TEST(Render, DownscaledReturnsTheVeryImageWhenItIsSmallEnough) {
    const Bitmap image = test::gradient(300, 200);
    EXPECT_EQ(Render::downscaled(image, 300), image);
    EXPECT_EQ(Render::downscaled(image, 5000), image);
}

TEST(Render, DownscaledStaysOpaqueOrBecomesPremultiplied) {
    EXPECT_EQ(Render::downscaled(test::gradient(200, 100), 50).alphaInfo(), AlphaInfo::noneSkipLast);
    for (const AlphaInfo alpha : {AlphaInfo::last, AlphaInfo::premultipliedLast}) {
        const Bitmap small = Render::downscaled(test::gradient(200, 100, alpha), 50);
        EXPECT_EQ(small.alphaInfo(), AlphaInfo::premultipliedLast);
        for (int x = 0; x < small.width(); ++x) {
            const auto* p = small.pixel(x, 10);
            EXPECT_LE(p[0], p[3]);
            EXPECT_LE(p[1], p[3]);
        }
    }
}

TEST(Render, DownscaledResamplesSmoothly) {
    // A fine checkerboard averages to grey rather than aliasing to black or white.
    const Bitmap checks =
        test::drawn(400, 400, AlphaInfo::noneSkipLast, [](int x, int y) -> std::array<std::uint8_t, 4> {
            const std::uint8_t v = (x + y) % 2 ? 255 : 0;
            return {v, v, v, 255};
        });
    const Bitmap small = Render::downscaled(checks, 40);
    EXPECT_NEAR(small.pixel(20, 20)[0], 128, 12);
}

TEST(Render, CgImageWithoutAlphaIsOpaque) {
    const Bitmap half = test::solid(20, 20, 200, 100, 50, 128);
    const Bitmap opaque = Render::cgImage(LazyImage::fromBitmap(half), false);
    EXPECT_EQ(opaque.alphaInfo(), AlphaInfo::noneSkipLast);
    EXPECT_EQ(opaque.pixel(5, 5)[3], 255);
    const Bitmap kept = Render::cgImage(LazyImage::fromBitmap(half), true);
    EXPECT_EQ(kept.alphaInfo(), AlphaInfo::last);
    EXPECT_EQ(kept.pixel(5, 5)[3], 128);
    EXPECT_EQ(kept.colorProfile(), Render::srgb());
}

TEST(Render, SrgbIsSharedAndAFreshOneIsEqual) {
    EXPECT_EQ(&Render::srgb(), &Render::srgb());
    EXPECT_EQ(Render::makeSrgb(), Render::srgb());
    EXPECT_TRUE(Render::makeSrgb().isSrgb());
}
