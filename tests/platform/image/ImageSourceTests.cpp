#include "platform/image/ImageSource.h"
#include "platform/image/detail/VipsRuntime.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {

struct FormatCase {
    ConvertFormat format;
    const char* typeIdentifier;
    double meanTolerance; // lossy formats differ a little
};

class RoundTrip : public testing::TestWithParam<FormatCase> {};

std::vector<std::uint8_t> bmp(int width, int height, int bitsPerPixel, bool alphaMask,
                              const std::function<std::array<std::uint8_t, 4>(int, int)>& pixel) {
    const int rowBytes = ((width * bitsPerPixel + 31) / 32) * 4;
    const int headerSize = alphaMask ? 108 : 40;
    const int offset = 14 + headerSize;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(offset + rowBytes * height), 0);
    const auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
        }
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, static_cast<std::uint32_t>(out.size()));
    put32(10, static_cast<std::uint32_t>(offset));
    put32(14, static_cast<std::uint32_t>(headerSize));
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height)); // bottom-up
    out[26] = 1;
    out[28] = static_cast<std::uint8_t>(bitsPerPixel);
    if (alphaMask) {
        put32(30, 3); // bit fields
        put32(54, 0x00FF0000);
        put32(58, 0x0000FF00);
        put32(62, 0x000000FF);
        put32(66, 0xFF000000);
    }
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = out.data() + offset + static_cast<std::size_t>(height - 1 - y) * rowBytes;
        for (int x = 0; x < width; ++x) {
            const auto p = pixel(x, y);
            std::uint8_t* px = row + x * (bitsPerPixel / 8);
            px[0] = p[2];
            px[1] = p[1];
            px[2] = p[0];
            if (bitsPerPixel == 32) {
                px[3] = p[3];
            }
        }
    }
    return out;
}

} // namespace

TEST_P(RoundTrip, DecodesWhatTheEncoderWrote) {
    const FormatCase c = GetParam();
    const Bitmap original = test::gradient(96, 64);
    const auto source = ImageSource::create(test::encoded(original, c.format, {}, 0.95));
    ASSERT_TRUE(source.has_value());
    EXPECT_EQ(source->typeIdentifier(), c.typeIdentifier);
    EXPECT_EQ(source->count(), 1);
    EXPECT_EQ(source->properties().pixelWidth, 96);
    EXPECT_EQ(source->properties().pixelHeight, 64);
    const auto decoded = source->createThumbnail(std::nullopt);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->alphaInfo(), AlphaInfo::noneSkipLast);
    EXPECT_LE(test::meanChannelDifference(*decoded, original), c.meanTolerance);
}

INSTANTIATE_TEST_SUITE_P(EveryOutputFormat, RoundTrip,
                         testing::Values(FormatCase{ConvertFormat::jpeg, "public.jpeg", 2.0},
                                         FormatCase{ConvertFormat::png, "public.png", 0.0},
                                         FormatCase{ConvertFormat::tiff, "public.tiff", 0.0},
                                         FormatCase{ConvertFormat::heic, "public.heic", 2.5},
                                         FormatCase{ConvertFormat::avif, "public.avif", 2.5},
                                         FormatCase{ConvertFormat::webp, "org.webmproject.webp", 2.5}),
                         [](const auto& info) { return std::string(rawValue(info.param.format)); });

TEST(ImageSource, TransparencySurvivesLosslessAndAlphaCapableFormats) {
    const Bitmap original = test::gradient(64, 48, AlphaInfo::last);
    for (const ConvertFormat format : {ConvertFormat::png, ConvertFormat::tiff, ConvertFormat::webp,
                                       ConvertFormat::heic, ConvertFormat::avif}) {
        const auto decoded =
            ImageSource::create(test::encoded(original, format, {}, 1.0))->createThumbnail(std::nullopt);
        ASSERT_TRUE(decoded.has_value()) << rawValue(format);
        EXPECT_EQ(decoded->alphaInfo(), AlphaInfo::last) << rawValue(format);
        EXPECT_EQ(decoded->pixel(0, 10)[3], 0) << rawValue(format);
        EXPECT_GE(decoded->pixel(63, 10)[3], 250) << rawValue(format);
    }
}

TEST(ImageSource, GifAndWindowsBitmapsDecode) {
    VipsRuntime::ensure();
    const Bitmap original = test::gradient(40, 30);
    const vips::VImage rgb = VipsRuntime::viewForEncoding(original);
    VipsBlob* blob = nullptr;
    rgb.gifsave_buffer(vips::VImage::option()->set("buffer", &blob));
    std::size_t length = 0;
    const auto* data =
        static_cast<const std::uint8_t*>(vips_area_get_data(&blob->area, &length, nullptr, nullptr, nullptr));
    const std::vector<std::uint8_t> gif(data, data + length);
    vips_area_unref(&blob->area);
    const auto gifSource = ImageSource::create(gif);
    ASSERT_TRUE(gifSource.has_value());
    EXPECT_EQ(gifSource->typeIdentifier(), "com.compuserve.gif");
    EXPECT_EQ(gifSource->createThumbnail(std::nullopt)->width(), 40);

    const auto colour = [](int x, int y) -> std::array<std::uint8_t, 4> {
        return {static_cast<std::uint8_t>(x * 40), static_cast<std::uint8_t>(y * 60), 7,
                static_cast<std::uint8_t>(x * 80)};
    };
    const auto bgr = ImageSource::create(bmp(5, 3, 24, false, colour));
    ASSERT_TRUE(bgr.has_value());
    EXPECT_EQ(bgr->typeIdentifier(), "com.microsoft.bmp");
    const Bitmap opaque = *bgr->createThumbnail(std::nullopt);
    EXPECT_EQ(opaque.alphaInfo(), AlphaInfo::noneSkipLast);
    EXPECT_EQ(opaque.pixel(3, 2)[0], 120);
    EXPECT_EQ(opaque.pixel(3, 2)[1], 120);
    EXPECT_EQ(opaque.pixel(3, 2)[2], 7);

    const Bitmap withAlpha = *ImageSource::create(bmp(3, 2, 32, true, colour))->createThumbnail(std::nullopt);
    EXPECT_EQ(withAlpha.alphaInfo(), AlphaInfo::last);
    EXPECT_EQ(withAlpha.pixel(2, 1)[3], 160);
    EXPECT_EQ(withAlpha.pixel(2, 1)[1], 60);

    auto truncated = bmp(5, 3, 24, false, colour);
    truncated.resize(truncated.size() - 10);
    EXPECT_FALSE(ImageSource::create(truncated)->createThumbnail(std::nullopt).has_value());
}

TEST(ImageSource, AppliesTheStoredOrientationOnlyWhenAskedToTurnUpright) {
    // A 60 × 40 picture, red on its left half, stored with "rotate 90° clockwise to view".
    const Bitmap stored =
        test::drawn(60, 40, AlphaInfo::noneSkipLast, [](int x, int) -> std::array<std::uint8_t, 4> {
            return x < 30 ? std::array<std::uint8_t, 4>{255, 0, 0, 255}
                          : std::array<std::uint8_t, 4>{0, 0, 255, 255};
        });
    const auto bytes =
        test::withExif(test::encoded(stored, ConvertFormat::jpeg), {{"Exif.Image.Orientation", "6"}});
    const auto source = ImageSource::create(bytes);
    ASSERT_TRUE(source.has_value());
    EXPECT_EQ(source->properties().orientation, 6);
    const Bitmap upright = *source->createThumbnail(std::nullopt);
    ASSERT_EQ(upright.width(), 40);
    ASSERT_EQ(upright.height(), 60);
    EXPECT_GT(upright.pixel(20, 5)[0], 200); // the left half now lies on top
    EXPECT_GT(upright.pixel(20, 55)[2], 200);
    const Bitmap asStored = *source->createImage();
    EXPECT_EQ(asStored.width(), 60);
    EXPECT_EQ(asStored.height(), 40);
}

TEST(ImageSource, ScalesStraightToTheLimitOnTheLongSide) {
    const auto source = ImageSource::create(test::encoded(test::gradient(1000, 500), ConvertFormat::png));
    const Bitmap small = *source->createThumbnail(100);
    EXPECT_EQ(small.width(), 100);
    EXPECT_EQ(small.height(), 50);
    EXPECT_EQ(source->createThumbnail(5000)->width(), 1000);
    // JPEG shrinks while decoding; the result is the same size.
    const auto jpeg = ImageSource::create(test::encoded(test::gradient(1000, 500), ConvertFormat::jpeg));
    for (const int limit : {100, 125, 499, 500, 999}) {
        const Bitmap shrunk = *jpeg->createThumbnail(limit);
        EXPECT_EQ(shrunk.width(), limit);
        EXPECT_EQ(shrunk.height(), (limit + 1) / 2);
    }
    EXPECT_LE(test::meanChannelDifference(*jpeg->createThumbnail(125), *source->createThumbnail(125)), 5.0);
}

// A shrink while decoding larger than the short side used to leave it no pixel, and libvips
// aborted the process.
TEST(ImageSource, AThinPictureScaledDownKeepsOnePixelAcross) {
    struct Case {
        int width;
        int height;
        int limit;
    };
    for (const auto [width, height, limit] :
         std::vector<Case>{{776, 6, 4}, {20000, 3, 4096}, {8192, 1, 4096}, {16, 1, 2}, {7, 100, 9}}) {
        // Formats decoded whole and then scaled keep the side too, where their encoders take the size.
        std::vector<ConvertFormat> formats{ConvertFormat::jpeg};
        if (std::max(width, height) <= 1000) {
            formats.insert(formats.end(), {ConvertFormat::webp, ConvertFormat::heic, ConvertFormat::png});
        }
        for (const ConvertFormat format : formats) {
            const auto source = ImageSource::create(test::encoded(test::gradient(width, height), format));
            ASSERT_TRUE(source) << width << "×" << height;
            const auto small = source->createThumbnail(limit);
            ASSERT_TRUE(small) << width << "×" << height << " " << title(format);
            EXPECT_EQ(std::max(small->width(), small->height()), limit);
            EXPECT_EQ(std::min(small->width(), small->height()), 1);
        }
    }
}

TEST(ImageSource, RefusesBytesThatAreNoImage) {
    const std::string text = "This is not an image, just some words in a file.";
    EXPECT_FALSE(
        ImageSource::create(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()))
            .has_value());
    EXPECT_FALSE(ImageSource::create(std::span<const std::uint8_t>{}).has_value());
    auto png = test::encoded(test::gradient(32, 32), ConvertFormat::png);
    png.resize(40); // the signature survives, the rest is gone
    const auto broken = ImageSource::create(png);
    if (broken) {
        EXPECT_FALSE(broken->createThumbnail(std::nullopt).has_value());
    }
    EXPECT_FALSE(ImageSource::createFromFile("/nonexistent/photo.jpg").has_value());
}

TEST(ImageSource, DevelopsCameraRawFiles) {
    const auto source = ImageSource::create(test::linearDng(64, 48));
    ASSERT_TRUE(source.has_value());
    EXPECT_EQ(source->typeIdentifier(), "com.adobe.raw-image");
    EXPECT_EQ(source->count(), 1);
    const auto developed = source->createThumbnail(std::nullopt);
    ASSERT_TRUE(developed.has_value());
    EXPECT_EQ(developed->alphaInfo(), AlphaInfo::noneSkipLast);
    EXPECT_EQ(developed->width(), 64);
    EXPECT_EQ(developed->height(), 48);
    // Red grows from left to right and green from top to bottom, as written.
    EXPECT_GT(developed->pixel(60, 24)[0], developed->pixel(3, 24)[0] + 40);
    EXPECT_GT(developed->pixel(32, 45)[1], developed->pixel(32, 2)[1] + 40);
}

TEST(ImageSource, TheContentDecidesTheFormatWhateverTheNameSays) {
    const auto png = std::make_shared<const Bytes>(test::encoded(test::gradient(8, 8), ConvertFormat::png));
    const auto namedRaw = ImageSource::create(png, "com.adobe.raw-image");
    ASSERT_TRUE(namedRaw);
    EXPECT_EQ(namedRaw->typeIdentifier(), "public.png");
    EXPECT_FALSE(namedRaw->isCameraRaw());
    const auto namedJpeg =
        ImageSource::create(std::make_shared<const Bytes>(test::linearDng(48, 32)), "public.jpeg");
    ASSERT_TRUE(namedJpeg);
    EXPECT_TRUE(namedJpeg->isCameraRaw());
    // A name that says RAW does not make LibRaw take bytes it does not know.
    const std::string text = "Not a photo.";
    EXPECT_FALSE(
        ImageSource::create(std::make_shared<const Bytes>(text.begin(), text.end()), "com.adobe.raw-image"));
}

TEST(ImageSource, KeepsTheColourProfileOfTheFile) {
    VipsRuntime::ensure();
    VipsBlob* blob = nullptr;
    ASSERT_EQ(vips_profile_load("p3", &blob, nullptr), 0);
    std::size_t length = 0;
    const auto* data =
        static_cast<const std::uint8_t*>(vips_area_get_data(&blob->area, &length, nullptr, nullptr, nullptr));
    const ColorProfile p3(std::vector<std::uint8_t>(data, data + length));
    vips_area_unref(&blob->area);
    const Bitmap plain = test::gradient(32, 32);
    const Bitmap wide(32, 32, AlphaInfo::noneSkipLast,
                      std::vector<std::uint8_t>(plain.pixels().begin(), plain.pixels().end()), p3);
    for (const ConvertFormat format : {ConvertFormat::jpeg, ConvertFormat::png, ConvertFormat::tiff,
                                       ConvertFormat::heic, ConvertFormat::avif}) {
        const Bitmap decoded =
            *ImageSource::create(test::encoded(wide, format))->createThumbnail(std::nullopt);
        EXPECT_EQ(decoded.colorProfile(), p3) << rawValue(format);
    }
}
