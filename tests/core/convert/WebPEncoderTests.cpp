#include "core/convert/ConvertError.h"
#include "core/convert/detail/ConverterSteps.h"
#include "platform/image/ImageSource.h"
#include "platform/image/PixelOps.h"
#include "platform/image/WebPEncoder.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>
#include <memory>
#include <webp/encode.h>

using namespace orvane;

namespace {
bool hasChunk(const Bytes& webp, const char* fourcc) {
    return std::search(webp.begin(), webp.end(), fourcc, fourcc + 4) != webp.end();
}
} // namespace

TEST(WebPEncoder, UnpremultipliesWithTheIntegerFormula) {
    std::vector<std::uint8_t> pixels = {64, 32, 200, 128, 10, 20, 30, 0, 10, 20, 30, 255, 250, 250, 250, 100};
    PixelOps::unpremultiply(pixels);
    EXPECT_EQ(pixels, (std::vector<std::uint8_t>{128, 64, 255, 128, 10, 20, 30, 0, 10, 20, 30, 255, 255, 255,
                                                 255, 100}));
    EXPECT_EQ(WebPEncoder::packRGB(std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}),
              (Bytes{1, 2, 3, 5, 6, 7}));
}

TEST(WebPEncoder, OpaqueImagesAreEncodedWithoutAlpha) {
    const Bytes webp = Converter::encodeWebP(test::gradient(64, 48), 0.8);
    EXPECT_FALSE(hasChunk(webp, "ALPH"));
    const Bitmap decoded = *ImageSource::create(webp)->createThumbnail(std::nullopt);
    EXPECT_EQ(decoded.alphaInfo(), AlphaInfo::noneSkipLast);
}

TEST(WebPEncoder, OpaqueSrgbPixelsReachTheEncoderUnchanged) {
    // What drawing into an opaque sRGB canvas would give: the image's own colour bytes.
    const Bitmap image = test::noise(61, 37);
    const Bytes rgb = WebPEncoder::packRGB(image.pixels());
    std::uint8_t* output = nullptr;
    const std::size_t size = WebPEncodeRGB(rgb.data(), 61, 37, 61 * 3, 70.0F, &output);
    const std::unique_ptr<std::uint8_t, decltype(&WebPFree)> owned(output, &WebPFree);
    ASSERT_GT(size, 0U);
    EXPECT_EQ(Converter::encodeWebP(image, 0.7), Bytes(output, output + size));
}

TEST(WebPEncoder, PremultipliedInputComesOutStraight) {
    // Premultiplied 64 at alpha 128 is a full-strength 128.
    const Bitmap premultiplied =
        test::drawn(32, 32, AlphaInfo::premultipliedLast, [](int, int) -> std::array<std::uint8_t, 4> {
            return {64, 32, 0, 128};
        });
    const Bytes webp = Converter::encodeWebP(premultiplied, 1.0);
    EXPECT_TRUE(hasChunk(webp, "ALPH"));
    const Bitmap decoded = *ImageSource::create(webp)->createThumbnail(std::nullopt);
    EXPECT_EQ(decoded.alphaInfo(), AlphaInfo::last);
    EXPECT_NEAR(decoded.pixel(16, 16)[0], 128, 4);
    EXPECT_NEAR(decoded.pixel(16, 16)[1], 64, 4);
    EXPECT_NEAR(decoded.pixel(16, 16)[3], 128, 2);
}

TEST(WebPEncoder, ImagesBeyondWebPsLimitsFailWithItsName) {
    try {
        Converter::encodeWebP(test::solid(16384, 1, 0, 0, 0), 0.5);
        FAIL();
    } catch (const ConvertRequestError& error) {
        EXPECT_STREQ(
            error.what(),
            "This image is too large to save as WebP: the largest WebP here is 16383 × 16383 pixels.");
    }
}
