// A conversion streams the photo from the decoder to the encoder; these hold it to what decoding
// the whole photo first, then preparing and encoding it, gives.

#include "core/Render.h"
#include "core/convert/ConvertError.h"
#include "core/convert/detail/ConverterSteps.h"
#include "platform/image/ImageSource.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {

ConvertInput data(const Bytes& bytes) {
    return ConvertInputData{std::make_shared<const Bytes>(bytes), std::nullopt};
}

Bitmap decode(const Bytes& bytes) {
    return *ImageSource::create(bytes)->createThumbnail(std::nullopt);
}

// The conversion as it is made from the whole decoded photo.
Bytes convertedFromTheWholePhoto(const Bytes& file, const ConvertOptions& options) {
    Bitmap image = Converter::decode(data(file)).image;
    if (options.maxLongEdge) {
        image = Render::downscaled(image, *options.maxLongEdge);
    }
    if (options.format == ConvertFormat::jpeg) {
        image = Converter::flattenOnWhite(image);
    }
    return Converter::encode(image, {}, options.format, options.quality);
}

void expectAsFromTheWholePhoto(const Bytes& file, ConvertOptions options, int tolerance,
                               const std::string& what) {
    options.metadata = MetadataPolicy::removeAll;
    const Bitmap streamed = decode(Converter::convert(data(file), options).data);
    const Bitmap whole = decode(convertedFromTheWholePhoto(file, options));
    ASSERT_EQ(streamed.width(), whole.width()) << what;
    ASSERT_EQ(streamed.height(), whole.height()) << what;
    EXPECT_EQ(streamed.alphaInfo(), whole.alphaInfo()) << what;
    EXPECT_LE(test::maxChannelDifference(streamed, whole), tolerance) << what;
}

// Translucent colour everywhere, so that premultiplying and laying over white both show.
Bitmap translucent(int width, int height) {
    return test::drawn(width, height, AlphaInfo::last, [](int x, int y) -> std::array<std::uint8_t, 4> {
        return {static_cast<std::uint8_t>(x * 7), static_cast<std::uint8_t>(y * 5), 200,
                static_cast<std::uint8_t>(20 + (x + y) % 230)};
    });
}

} // namespace

TEST(StreamedConversion, GivesThePixelsOfTheWholePhotoEncoded) {
    const Bytes turned =
        test::encoded(test::gradient(120, 80), ConvertFormat::jpeg, test::cameraProperties(6));
    const Bytes png = test::encoded(translucent(90, 60), ConvertFormat::png);
    // Many cameras leave bytes between segments; the decoder warns, and the photo is fine.
    Bytes stray = test::encoded(test::gradient(64, 48), ConvertFormat::jpeg);
    stray.insert(stray.end() - 2, {0x00, 0x11, 0x22});
    for (const ConvertFormat format : {ConvertFormat::jpeg, ConvertFormat::png, ConvertFormat::webp}) {
        ConvertOptions options;
        options.format = format;
        expectAsFromTheWholePhoto(turned, options, 0, "turned JPEG to " + std::string(rawValue(format)));
        expectAsFromTheWholePhoto(png, options, 0, "translucent PNG to " + std::string(rawValue(format)));
        expectAsFromTheWholePhoto(stray, options, 0,
                                  "JPEG with stray bytes to " + std::string(rawValue(format)));
        // Reduced: colour rounded as a premultiplied bitmap holds it, then straight again.
        options.maxLongEdge = 50;
        expectAsFromTheWholePhoto(turned, options, 0,
                                  "reduced turned JPEG to " + std::string(rawValue(format)));
        if (!isLossy(format)) {
            // A lossy encoder can turn a level's difference into several.
            expectAsFromTheWholePhoto(png, options, 1,
                                      "reduced translucent PNG to " + std::string(rawValue(format)));
        }
    }
    // So the reduced translucent photo laid over white for JPEG is compared before encoding.
    const auto source = ImageSource::create(png);
    const Bitmap streamed =
        Converter::flattenOnWhite(Render::downscaled(*source->createLazyImage(), 50)).bitmap();
    const Bitmap whole =
        Converter::flattenOnWhite(Render::downscaled(*source->createThumbnail(std::nullopt), 50));
    ASSERT_EQ(streamed.width(), whole.width());
    EXPECT_EQ(streamed.alphaInfo(), AlphaInfo::noneSkipLast);
    EXPECT_LE(test::maxChannelDifference(streamed, whole), 1);
}

TEST(StreamedConversion, ALazyImageKeepsTheBytesItDecodesFrom) {
    std::optional<LazyImage> lazy;
    {
        auto bytes = std::make_shared<const Bytes>(test::encoded(test::noise(64, 64), ConvertFormat::png));
        lazy = ImageSource::create(bytes)->createLazyImage();
        ASSERT_TRUE(lazy.has_value());
    }
    // Whatever reuses the freed memory now must not show in the pixels.
    [[maybe_unused]] const auto filler = std::make_shared<Bytes>(64 * 64 * 4 + 4096, 0x5A);
    EXPECT_EQ(test::maxChannelDifference(lazy->bitmap(), test::noise(64, 64)), 0);
}

TEST(StreamedConversion, ADamagedFileIsUnreadableNotAFailedEncoding) {
    Bytes png = test::encoded(test::noise(200, 200), ConvertFormat::png);
    png.resize(png.size() / 2);
    for (const ConvertFormat format : {ConvertFormat::jpeg, ConvertFormat::png}) {
        ConvertOptions options;
        options.format = format;
        try {
            Converter::convert(::data(png), options);
            FAIL() << rawValue(format);
        } catch (const ConvertError& error) {
            EXPECT_EQ(error.errorCase(), ConvertError::Case::unreadable) << rawValue(format);
        }
    }
}
