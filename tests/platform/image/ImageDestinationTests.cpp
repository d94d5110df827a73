#include "platform/files/FileError.h"
#include "platform/image/ImageDestination.h"
#include "platform/image/ImageSource.h"
#include "platform/metadata/MetadataIO.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {

class MetadataRoundTrip : public testing::TestWithParam<ConvertFormat> {};

const char* typeOf(ConvertFormat format) {
    switch (format) {
    case ConvertFormat::jpeg:
        return "public.jpeg";
    case ConvertFormat::png:
        return "public.png";
    case ConvertFormat::tiff:
        return "public.tiff";
    case ConvertFormat::heic:
        return "public.heic";
    default:
        return "public.avif";
    }
}

ImageProperties readBack(const std::vector<std::uint8_t>& bytes) {
    const auto source = ImageSource::create(bytes);
    EXPECT_TRUE(source.has_value());
    return source ? source->properties() : ImageProperties{};
}

} // namespace

TEST_P(MetadataRoundTrip, WritesExactlyTheGivenGroups) {
    const ConvertFormat format = GetParam();
    const auto bytes =
        ImageDestination::encode(test::gradient(48, 32), typeOf(format), test::cameraProperties(), 0.9);
    const ImageProperties read = readBack(bytes);
    ASSERT_TRUE(read.exif.has_value());
    ASSERT_TRUE(read.gps.has_value());
    ASSERT_TRUE(read.tiff.has_value());
    EXPECT_EQ(findProperty(*read.exif, "DateTimeOriginal")->text, "2021:07:04 15:30:00");
    EXPECT_EQ(findProperty(*read.exif, "OffsetTimeOriginal")->text, "+02:00");
    EXPECT_EQ(findProperty(*read.gps, "GPSLatitudeRef")->text, "N");
    EXPECT_EQ(findProperty(*read.tiff, "Make")->text, "Orvane");
    if (format == ConvertFormat::jpeg || format == ConvertFormat::tiff) {
        ASSERT_TRUE(read.iptc.has_value());
        EXPECT_EQ(findProperty(*read.iptc, "Iptc.Application2.City")->text, "Paris");
    }
}

TEST_P(MetadataRoundTrip, WritesNoMetadataOfItsOwn) {
    const ConvertFormat format = GetParam();
    const auto bytes =
        ImageDestination::encode(test::gradient(48, 32), typeOf(format), ImageProperties{}, 0.9);
    const ImageProperties read = readBack(bytes);
    EXPECT_FALSE(read.exif.has_value());
    EXPECT_FALSE(read.gps.has_value());
    EXPECT_FALSE(read.iptc.has_value());
    EXPECT_FALSE(read.maker.has_value());
    if (read.tiff) {
        // A TIFF file states its resolution as part of its own layout; nothing else may appear.
        for (const auto& [name, value] : *read.tiff) {
            EXPECT_TRUE(name == "XResolution" || name == "YResolution" || name == "ResolutionUnit") << name;
        }
    }
}

// Metadata the library cannot write back never costs the file: the camera's notes are left out,
// and the rest is carried.
TEST_P(MetadataRoundTrip, MakerNotesThatCannotBeWrittenAreLeftOut) {
    // Sony's notes with each entry twice, as a file holding its EXIF twice once gave them.
    ImageProperties properties = test::cameraProperties();
    properties.maker = MetadataIO::read(test::pngWithCameraExif(test::gradient(8, 8))).maker;
    ASSERT_TRUE(properties.maker.has_value());
    const PropertyDictionary once = *properties.maker;
    properties.maker->insert(once.begin(), once.end());
    const ImageProperties written =
        readBack(ImageDestination::encode(test::gradient(48, 32), typeOf(GetParam()), properties, 0.9));
    EXPECT_FALSE(written.maker.has_value());
    ASSERT_TRUE(written.tiff.has_value());
    EXPECT_EQ(findProperty(*written.tiff, "Model")->text,
              test::cameraProperties().tiff->find("Model")->second.text);
    EXPECT_TRUE(written.gps.has_value());
}

INSTANTIATE_TEST_SUITE_P(EveryMetadataFormat, MetadataRoundTrip,
                         testing::Values(ConvertFormat::jpeg, ConvertFormat::png, ConvertFormat::tiff,
                                         ConvertFormat::heic, ConvertFormat::avif),
                         [](const auto& info) { return std::string(rawValue(info.param)); });

TEST(ImageDestination, WritesTheResolutionItIsGiven) {
    ImageProperties properties;
    properties.dpiWidth = 300;
    properties.dpiHeight = 300;
    for (const ConvertFormat format : {ConvertFormat::jpeg, ConvertFormat::png, ConvertFormat::tiff}) {
        const ImageProperties read =
            readBack(ImageDestination::encode(test::gradient(16, 16), typeOf(format), properties, 0.9));
        ASSERT_TRUE(read.dpiWidth.has_value()) << rawValue(format);
        EXPECT_NEAR(*read.dpiWidth, 300, 0.5) << rawValue(format);
        EXPECT_NEAR(read.dpiHeight.value_or(0), 300, 0.5) << rawValue(format);
    }
}

TEST(ImageDestination, RefusesTypesItCannotWrite) {
    EXPECT_FALSE(ImageDestination::canEncode("org.webmproject.webp"));
    EXPECT_FALSE(ImageDestination::canEncode("com.compuserve.gif"));
    EXPECT_TRUE(ImageDestination::canEncode("public.heic"));
    try {
        ImageDestination::encode(test::gradient(8, 8), "com.compuserve.gif", {}, 1.0);
        FAIL();
    } catch (const FileError& error) {
        EXPECT_EQ(error.code(), FileError::Code::fileWriteUnknown);
        EXPECT_STREQ(error.what(), "The file couldn't be saved.");
    }
}

TEST(ImageDestination, AJpegsMetadataIsWrittenAsIntoTheWholeFile) {
    // The metadata is written into the markers alone and the picture's data joined on after them:
    // the file must be the one that writing into the whole file gives, byte for byte.
    const ColorProfile profile(
        std::vector<std::uint8_t>(ColorProfile::srgb().icc().begin(), ColorProfile::srgb().icc().end()));
    for (const int orientation : {1, 6}) {
        const Bitmap image = test::noise(300, 200);
        const ImageProperties properties = test::cameraProperties(orientation);
        const auto written = ImageDestination::encode(image, "public.jpeg", properties, 0.8);
        auto whole = ImageDestination::encode(image, "public.jpeg", {}, 0.8);
        MetadataIO::embed(whole, properties, profile);
        EXPECT_EQ(written, whole) << orientation;
        EXPECT_EQ(readBack(written).gps, properties.gps);
    }
}
