#include "editor/TransparencyGrid.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

using namespace orvane;

TEST(TransparencyGrid, MixesPartlyCoveredPixelsWithTheirSquareAndLeavesOpaqueImagesAlone) {
    // Straight alpha: half-covered black over the grey corner square and the white one beside it.
    const Bitmap halfBlack = test::drawn(16, 8, AlphaInfo::last, [](int, int) -> std::array<std::uint8_t, 4> {
        return {0, 0, 0, 128};
    });
    const Bitmap flat = TransparencyGrid::flattened(halfBlack, 8);
    EXPECT_EQ(flat.alphaInfo(), AlphaInfo::noneSkipLast);
    EXPECT_NEAR(flat.pixel(2, 2)[0], 230 / 2, 1);
    EXPECT_NEAR(flat.pixel(10, 2)[0], 255 / 2, 1);
    EXPECT_EQ(flat.pixel(10, 2)[3], 255);

    const Bitmap opaque = test::solid(4, 4, 10, 20, 30);
    EXPECT_EQ(TransparencyGrid::flattened(opaque, 8), opaque);

    EXPECT_EQ(TransparencyGrid::squareFor(480), 48);
    EXPECT_EQ(TransparencyGrid::squareFor(60), 8);
}
