#include "core/convert/ConvertError.h"
#include "core/convert/detail/ConverterSteps.h"
#include "platform/files/FileError.h"
#include "platform/image/ImageSource.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

ConvertInput data(const Bytes& bytes, std::optional<std::string> hint = std::nullopt) {
    return ConvertInputData{std::make_shared<const Bytes>(bytes), std::move(hint)};
}

ConvertOptions to(ConvertFormat format) {
    ConvertOptions options;
    options.format = format;
    return options;
}

Bitmap decode(const Bytes& bytes) {
    return *ImageSource::create(bytes)->createThumbnail(std::nullopt);
}

void writeFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Opaque red on the left half, fully transparent on the right.
Bitmap halfTransparent() {
    return test::drawn(40, 20, AlphaInfo::last, [](int x, int) -> std::array<std::uint8_t, 4> {
        return x < 20 ? std::array<std::uint8_t, 4>{255, 0, 0, 255} : std::array<std::uint8_t, 4>{0, 0, 0, 0};
    });
}

} // namespace

TEST(Converter, JpegOutputOfATransparentImageIsWhiteWhereItWasTransparent) {
    const Bytes png = test::encoded(halfTransparent(), ConvertFormat::png);
    const ConvertResult result = Converter::convert(data(png), to(ConvertFormat::jpeg));
    const Bitmap jpeg = decode(result.data);
    EXPECT_EQ(jpeg.alphaInfo(), AlphaInfo::noneSkipLast);
    EXPECT_GT(jpeg.pixel(35, 10)[0], 245);
    EXPECT_GT(jpeg.pixel(35, 10)[1], 245);
    EXPECT_GT(jpeg.pixel(5, 10)[0], 230);
    EXPECT_LT(jpeg.pixel(5, 10)[1], 30);
}

TEST(Converter, OtherFormatsKeepTransparency) {
    const Bytes png = test::encoded(halfTransparent(), ConvertFormat::png);
    for (const ConvertFormat format : {ConvertFormat::png, ConvertFormat::heic, ConvertFormat::avif,
                                       ConvertFormat::webp, ConvertFormat::tiff}) {
        const Bitmap out = decode(Converter::convert(data(png), to(format)).data);
        EXPECT_EQ(out.alphaInfo(), AlphaInfo::last) << rawValue(format);
        EXPECT_LT(out.pixel(35, 10)[3], 5) << rawValue(format);
    }
}

TEST(Converter, AnOpaqueJpegSourceIsNotRedrawn) {
    const Bitmap original = test::gradient(64, 64);
    const Bytes png = test::encoded(original, ConvertFormat::png);
    const Converter::Decoded decoded = Converter::decode(data(png));
    EXPECT_FALSE(Converter::hasAlpha(decoded.image));
    // Lossless out and back: the very same pixels.
    EXPECT_EQ(test::maxChannelDifference(decode(Converter::convert(data(png), to(ConvertFormat::png)).data),
                                         original),
              0);
}

TEST(Converter, MaxLongEdgeLimitsOnlyLargerPhotos) {
    const Bytes big = test::encoded(test::gradient(4000, 3000), ConvertFormat::jpeg);
    ConvertOptions options = to(ConvertFormat::jpeg);
    options.maxLongEdge = 1000;
    const ConvertResult limited = Converter::convert(data(big), options);
    EXPECT_EQ(limited.width, 1000);
    EXPECT_EQ(limited.height, 750);
    EXPECT_EQ(decode(limited.data).width(), 1000);
    const ConvertResult small =
        Converter::convert(data(test::encoded(test::gradient(800, 600), ConvertFormat::jpeg)), options);
    EXPECT_EQ(small.width, 800);
    EXPECT_EQ(small.height, 600);
    EXPECT_EQ(small.quality, 0.85);
}

TEST(Converter, ARotatedPhotoComesOutUprightAndSaysSo) {
    const Bytes rotated =
        test::encoded(test::gradient(60, 40), ConvertFormat::jpeg, test::cameraProperties(6));
    for (const auto policy : {MetadataPolicy::keep, MetadataPolicy::removeLocation}) {
        ConvertOptions options = to(ConvertFormat::jpeg);
        options.metadata = policy;
        const ConvertResult result = Converter::convert(data(rotated), options);
        EXPECT_EQ(result.width, 40);
        EXPECT_EQ(result.height, 60);
        const auto source = ImageSource::create(result.data);
        EXPECT_EQ(source->properties().orientation, 1);
        EXPECT_EQ(findProperty(*source->properties().tiff, "Orientation")->asInteger(), 1);
        EXPECT_EQ(source->createThumbnail(std::nullopt)->width(), 40);
    }
}

TEST(Converter, NeverLargerHoldsTheOutputToTheSourceSize) {
    const Bytes source = test::encoded(test::noise(300, 200), ConvertFormat::jpeg, {}, 0.5);
    ConvertOptions options = to(ConvertFormat::jpeg);
    options.quality = 1.0;
    options.neverLarger = true;
    const ConvertResult result = Converter::convert(data(source), options);
    EXPECT_LE(result.data.size(), source.size());
    EXPECT_EQ(result.sourceBytes, static_cast<std::int64_t>(source.size()));
    ASSERT_TRUE(result.quality.has_value());
    EXPECT_LT(*result.quality, 0.95);

    options.maxKB = 1'000'000;
    EXPECT_LE(Converter::convert(data(source), options).data.size(), source.size());

    ConvertOptions lossless = to(ConvertFormat::png);
    lossless.neverLarger = true;
    // Noise as PNG is larger than its JPEG at full size: only a smaller picture fits.
    const ConvertResult smaller = Converter::convert(data(source), lossless);
    EXPECT_LE(smaller.data.size(), source.size());
    EXPECT_LT(smaller.width, 300);
    EXPECT_FALSE(smaller.quality.has_value());
}

TEST(Converter, ASizeLimitTooLargeToCountIsRefused) {
    ConvertOptions options = to(ConvertFormat::jpeg);
    options.maxKB = std::numeric_limits<long long>::max() / 100;
    EXPECT_THROW(Converter::convert(data(test::encoded(test::gradient(8, 8), ConvertFormat::png)), options),
                 ConvertRequestError);
}

TEST(Converter, BytesThatAreNoImageAreUnreadable) {
    const std::string text = "%PDF-1.4 not really";
    try {
        Converter::convert(data(Bytes(text.begin(), text.end())), to(ConvertFormat::jpeg));
        FAIL();
    } catch (const ConvertError& error) {
        EXPECT_EQ(error.errorCase(), ConvertError::Case::unreadable);
    }
    EXPECT_THROW(Converter::convert(ConvertInputURL{"/nonexistent/photo.jpg"}, to(ConvertFormat::png)),
                 ConvertError);
    EXPECT_THROW(Converter::convert(ConvertInputData{nullptr, std::nullopt}, to(ConvertFormat::png)),
                 ConvertError);
}

TEST(Converter, ReadsFilesWithTheirSizeAndCaptureDate) {
    test::TemporaryDirectory folder;
    const Bytes jpeg = test::encoded(test::gradient(64, 48), ConvertFormat::jpeg, test::cameraProperties());
    writeFile(folder / "photo.jpg", jpeg);
    const ConvertResult result =
        Converter::convert(ConvertInputURL{folder / "photo.jpg"}, to(ConvertFormat::png));
    EXPECT_EQ(result.sourceBytes, static_cast<std::int64_t>(jpeg.size()));
    EXPECT_FALSE(result.quality.has_value());
    ASSERT_TRUE(result.captureDate.has_value());
    EXPECT_EQ(std::chrono::system_clock::to_time_t(*result.captureDate), 1625405400); // 13:30 UTC
}

TEST(Converter, CameraRawIsDevelopedAndOpaque) {
    test::TemporaryDirectory folder;
    const Bytes dng = test::linearDng(48, 32, 6);
    writeFile(folder / "shot.dng", dng);
    EXPECT_TRUE(Converter::isRaw(ConvertInputURL{folder / "shot.dng"}));
    EXPECT_TRUE(Converter::isRaw(data(dng, "com.adobe.raw-image")));
    EXPECT_FALSE(Converter::isRaw(data(dng)));
    EXPECT_FALSE(Converter::isRaw(data(dng, "com.example.unknown")));
    EXPECT_FALSE(Converter::isRaw(ConvertInputURL{"photo.jpg"}));

    for (const ConvertInput& input : {ConvertInput(ConvertInputURL{folder / "shot.dng"}), data(dng)}) {
        const ConvertResult result = Converter::convert(input, to(ConvertFormat::png));
        EXPECT_EQ(result.width, 32); // developed upright
        EXPECT_EQ(result.height, 48);
        EXPECT_EQ(decode(result.data).alphaInfo(), AlphaInfo::noneSkipLast);
    }
    EXPECT_THROW(Converter::decodeRaw(data(Bytes{1, 2, 3})), ConvertError);
}

TEST(Converter, WriteDatesTheFileWithTheCaptureDate) {
    test::TemporaryDirectory folder;
    ConvertResult result;
    result.data = {1, 2, 3};
    result.captureDate = std::chrono::system_clock::from_time_t(1625405400);
    Converter::write(result, folder / "dated.jpg", true);
    struct stat info {};
    ASSERT_EQ(::stat((folder / "dated.jpg").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, 1625405400);

    Converter::write(result, folder / "undated.jpg", false);
    result.captureDate.reset();
    Converter::write(result, folder / "nodate.jpg", true);
    for (const char* name : {"undated.jpg", "nodate.jpg"}) {
        ASSERT_EQ(::stat((folder / name).c_str(), &info), 0);
        EXPECT_GT(info.st_mtime, 1625405400 + 86400 * 365);
    }
    EXPECT_THROW(Converter::write(result, "/nonexistent-folder/x.jpg", true), FileError);
}
