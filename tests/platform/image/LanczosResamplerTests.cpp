#include "platform/filters/LazyImage.h"
#include "platform/image/LanczosResampler.h"
#include "platform/image/detail/VipsRuntime.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>
#include <vips/vector.h>

using namespace orvane;

namespace {

struct Sizes {
    int fromWidth;
    int fromHeight;
    int toWidth;
    int toHeight;
};

// The shrinks tiled enlargement makes of a 4× network's owned parts: half (2×, and the 8×
// second pass), a quarter (scale 1), an eighth (scale 0.5), 3.7 of 4, odd edge tiles, one side
// only, and down to a single pixel.
const std::vector<Sizes> shrinks = {
    {896, 896, 448, 448}, {896, 896, 224, 224}, {896, 896, 112, 112}, {896, 896, 829, 829},
    {836, 604, 418, 302}, {836, 604, 209, 151}, {903, 905, 113, 301}, {101, 75, 25, 18},
    {896, 36, 448, 18},   {896, 896, 896, 448}, {33, 17, 8, 17},      {7, 9, 1, 1},
};

Bitmap resampled(const Bitmap& source, const Sizes& sizes) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(sizes.toWidth) * sizes.toHeight * 4);
    LanczosResampler(sizes.fromWidth, sizes.fromHeight, sizes.toWidth, sizes.toHeight)
        .resample(source.pixels().data(), source.bytesPerRow(), pixels.data(),
                  static_cast<std::size_t>(sizes.toWidth) * 4, LanczosResampler::Order::kept);
    return Bitmap(sizes.toWidth, sizes.toHeight, AlphaInfo::noneSkipLast, std::move(pixels));
}

Bitmap reference(const Bitmap& source, const Sizes& sizes) {
    return LazyImage::fromBitmap(source)
        .resized(sizes.toWidth, sizes.toHeight)
        .render(AlphaInfo::noneSkipLast);
}

// The image library's vector code (which takes coarser weights) on or off for one test.
class VectorPath {
public:
    explicit VectorPath(bool enabled)
        : was_(VipsRuntime::vectorPathEnabled()) {
        vips_vector_set_enabled(enabled);
    }
    ~VectorPath() { vips_vector_set_enabled(was_); }
    VectorPath(const VectorPath&) = delete;
    VectorPath& operator=(const VectorPath&) = delete;

private:
    bool was_;
};

} // namespace

TEST(LanczosResampler, GivesTheImageLibrarysResizeWithItsCodeGeneratorOrWithout) {
    for (const bool vector : {true, false}) {
        const VectorPath path(vector);
        for (const Sizes& sizes : shrinks) {
            const std::string name = std::to_string(sizes.fromWidth) + "×" +
                                     std::to_string(sizes.fromHeight) + " to " +
                                     std::to_string(sizes.toWidth) + "×" + std::to_string(sizes.toHeight) +
                                     (vector ? ", vector" : ", plain");
            // Noise makes every weight and every place count; the gradient has a photo's edges.
            for (const Bitmap& source : {test::noise(sizes.fromWidth, sizes.fromHeight, 7),
                                         test::gradient(sizes.fromWidth, sizes.fromHeight)}) {
                EXPECT_LE(test::maxChannelDifference(resampled(source, sizes), reference(source, sizes)), 1)
                    << name;
            }
        }
    }
}

TEST(LanczosResampler, ReadsAndWritesRowsApartAndTurnsBgraIntoRgba) {
    // A part of a larger BGRA buffer into a part of a larger RGBA picture: nothing around the
    // target changes, and the colours come out in the picture's order.
    const Bitmap rgba = test::noise(60, 40, 3);
    const std::size_t fromRowBytes = 100 * 4;
    std::vector<std::uint8_t> bgra(fromRowBytes * 50, 9);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 60; ++x) {
            const std::uint8_t* p = rgba.pixel(x, y);
            std::uint8_t* q = bgra.data() + static_cast<std::size_t>(y + 5) * fromRowBytes + (x + 7) * 4;
            q[0] = p[2];
            q[1] = p[1];
            q[2] = p[0];
            q[3] = 0; // ignored: the result is opaque
        }
    }
    const std::size_t toRowBytes = 40 * 4;
    std::vector<std::uint8_t> picture(toRowBytes * 30, 77);
    LanczosResampler(60, 40, 30, 20)
        .resample(bgra.data() + 5 * fromRowBytes + 7 * 4, fromRowBytes,
                  picture.data() + 4 * toRowBytes + 3 * 4, toRowBytes, LanczosResampler::Order::reversed);

    const Bitmap expected = reference(rgba, {60, 40, 30, 20});
    int worst = 0;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            const std::uint8_t* got = picture.data() + static_cast<std::size_t>(y) * toRowBytes + x * 4;
            const bool inside = x >= 3 && x < 33 && y >= 4 && y < 24;
            for (int c = 0; c < 4; ++c) {
                const int want = !inside ? 77 : c == 3 ? 255 : expected.pixel(x - 3, y - 4)[c];
                worst = std::max(worst, std::abs(got[c] - want));
            }
        }
    }
    EXPECT_LE(worst, 1);
}

TEST(LanczosResampler, OnlyShrinks) {
    EXPECT_TRUE(LanczosResampler::handles(10, 10, 10, 10));
    EXPECT_TRUE(LanczosResampler::handles(10, 10, 1, 10));
    EXPECT_FALSE(LanczosResampler::handles(10, 10, 11, 5));
    EXPECT_FALSE(LanczosResampler::handles(10, 10, 5, 0));
    EXPECT_THROW(LanczosResampler(10, 10, 5, 11), std::invalid_argument);
}
