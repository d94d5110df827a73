#include "platform/image/Bitmap.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

using namespace orvane;

TEST(Bitmap, CopiesShareThePixelsAndEqualityIsIdentity) {
    const Bitmap a = test::solid(4, 4, 10, 20, 30);
    const Bitmap copy = a;
    const Bitmap twin = test::solid(4, 4, 10, 20, 30);
    EXPECT_EQ(a, copy);
    EXPECT_EQ(a.pixels().data(), copy.pixels().data());
    EXPECT_NE(a, twin);
}

TEST(Bitmap, RefusesPixelsThatDoNotMatchItsSize) {
    EXPECT_THROW(Bitmap(2, 2, AlphaInfo::noneSkipLast, std::vector<std::uint8_t>(15)), std::invalid_argument);
    EXPECT_THROW(Bitmap(0, 2, AlphaInfo::noneSkipLast, {}), std::invalid_argument);
    EXPECT_FALSE(Bitmap::sizeIsAcceptable(Bitmap::maxSide + 1, 1));
    EXPECT_FALSE(Bitmap::sizeIsAcceptable(100'000, 100'000));
}

TEST(Bitmap, PremultiplyingAndBackKeepsOpaqueAndTransparentPixelsExact) {
    const Bitmap straight = test::drawn(3, 1, AlphaInfo::last, [](int x, int) -> std::array<std::uint8_t, 4> {
        const std::uint8_t alpha[] = {0, 128, 255};
        return {200, 100, 50, alpha[x]};
    });
    const Bitmap premultiplied = straight.premultiplied();
    EXPECT_EQ(premultiplied.alphaInfo(), AlphaInfo::premultipliedLast);
    EXPECT_EQ(premultiplied.pixel(1, 0)[0], 100);
    EXPECT_EQ(premultiplied.pixel(2, 0)[0], 200);
    const Bitmap back = premultiplied.unpremultiplied();
    EXPECT_EQ(back.alphaInfo(), AlphaInfo::last);
    EXPECT_EQ(back.pixel(2, 0)[0], 200);
    EXPECT_NEAR(back.pixel(1, 0)[0], 200, 1);
    const Bitmap opaque = test::solid(2, 2, 1, 2, 3);
    EXPECT_EQ(opaque.premultiplied(), opaque);
}
