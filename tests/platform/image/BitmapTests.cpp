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

// Memory written in place, small (from the allocator) and large (mapped in large pages, whose edges
// are trimmed): every byte of it can be written and read back through the bitmap, and memory too
// small for the size is refused.
TEST(Bitmap, HoldsPixelsWrittenInPlaceInMemoryOfTheirOwn) {
    for (const auto& [width, height] : {std::pair{3, 2}, std::pair{2048, 1031}}) {
        const std::size_t bytes = static_cast<std::size_t>(width) * height * 4;
        PixelMemory memory(bytes);
        ASSERT_EQ(memory.size(), bytes);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(memory.data()) % 64, 0u);
        for (std::size_t i = 0; i < bytes; ++i) {
            memory.data()[i] = static_cast<std::uint8_t>(i * 7 + i / 4093);
        }
        const Bitmap bitmap(width, height, AlphaInfo::noneSkipLast, std::move(memory));
        ASSERT_EQ(bitmap.pixels().size(), bytes);
        bool same = true;
        for (std::size_t i = 0; i < bytes; ++i) {
            same = same && bitmap.pixels()[i] == static_cast<std::uint8_t>(i * 7 + i / 4093);
        }
        EXPECT_TRUE(same) << width << " x " << height;
        EXPECT_EQ(bitmap.pixel(width - 1, height - 1), bitmap.pixels().data() + bytes - 4);
    }
    EXPECT_THROW(Bitmap(2, 2, AlphaInfo::noneSkipLast, PixelMemory(15)), std::invalid_argument);
}
