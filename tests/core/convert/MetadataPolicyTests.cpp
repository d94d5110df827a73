#include "core/ImageFiles.h"
#include "core/convert/detail/ConverterSteps.h"
#include "platform/metadata/MetadataIO.h"
#include "tests/support/TestImages.h"

#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>

using namespace orvane;

namespace {

// What exiv2 reads from a converted file.
struct Written {
    Exiv2::ExifData exif;
    Exiv2::IptcData iptc;
};

Written readWithExiv2(const Bytes& bytes) {
    if (const auto block = MetadataIO::heifExifBlock(bytes); !block.empty()) {
        Written written;
        Exiv2::ExifParser::decode(written.exif, block.data(), static_cast<std::uint32_t>(block.size()));
        return written;
    }
    auto image = Exiv2::ImageFactory::open(bytes.data(), static_cast<long>(bytes.size()));
    image->readMetadata();
    return {image->exifData(), image->iptcData()};
}

bool hasGroup(const Exiv2::ExifData& exif, const std::string& group) {
    return std::any_of(exif.begin(), exif.end(),
                       [&](const Exiv2::Exifdatum& d) { return d.groupName() == group; });
}

ConvertResult convert(const Bytes& source, ConvertFormat format, MetadataPolicy policy) {
    ConvertOptions options;
    options.format = format;
    options.metadata = policy;
    return Converter::convert(ConvertInputData{std::make_shared<const Bytes>(source), std::nullopt}, options);
}

class Policies : public testing::TestWithParam<ConvertFormat> {
protected:
    static Bytes source() {
        static const Bytes bytes =
            test::encoded(test::gradient(80, 60), ConvertFormat::jpeg, test::cameraProperties());
        return bytes;
    }
};

} // namespace

TEST(MetadataFilter, KeepsOnlyTheCopiedGroupsWithAnUprightOrientation) {
    ImageProperties source = test::cameraProperties(6);
    source.pixelWidth = 4000;
    source.colorModel = "RGB";
    source.dpiWidth = 240;
    const ImageProperties kept = Converter::filterMetadata(source, MetadataPolicy::keep);
    EXPECT_EQ(kept.orientation, 1);
    EXPECT_EQ(findProperty(*kept.tiff, "Orientation")->asInteger(), 1);
    EXPECT_EQ(kept.tiff->count("Orientation"), 1u);
    EXPECT_EQ(findProperty(*kept.exif, "PixelXDimension"), nullptr);
    EXPECT_EQ(findProperty(*kept.exif, "PixelYDimension"), nullptr);
    EXPECT_NE(findProperty(*kept.exif, "ExposureTime"), nullptr);
    EXPECT_TRUE(kept.gps.has_value());
    EXPECT_TRUE(kept.iptc.has_value());
    EXPECT_EQ(kept.dpiWidth, 240);
    EXPECT_FALSE(kept.pixelWidth.has_value());
    EXPECT_FALSE(kept.colorModel.has_value());

    const ImageProperties noLocation = Converter::filterMetadata(source, MetadataPolicy::removeLocation);
    EXPECT_FALSE(noLocation.gps.has_value());
    EXPECT_TRUE(noLocation.exif.has_value());

    ImageProperties expected;
    expected.orientation = 1;
    EXPECT_EQ(Converter::filterMetadata(source, MetadataPolicy::removeAll), expected);
}

TEST_P(Policies, RemoveLocationDropsGpsAndKeepsTheCaptureDate) {
    const Written written = readWithExiv2(convert(source(), GetParam(), MetadataPolicy::removeLocation).data);
    EXPECT_FALSE(hasGroup(written.exif, "GPSInfo"));
    const auto date = written.exif.findKey(Exiv2::ExifKey("Exif.Photo.DateTimeOriginal"));
    ASSERT_NE(date, written.exif.end());
    EXPECT_EQ(date->toString(), "2021:07:04 15:30:00");
    const auto orientation = written.exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
    ASSERT_NE(orientation, written.exif.end());
    EXPECT_EQ(orientation->toLong(), 1);
}

TEST_P(Policies, KeepCarriesGpsButNoPixelDimensions) {
    const Written written = readWithExiv2(convert(source(), GetParam(), MetadataPolicy::keep).data);
    EXPECT_TRUE(hasGroup(written.exif, "GPSInfo"));
    EXPECT_EQ(written.exif.findKey(Exiv2::ExifKey("Exif.Photo.PixelXDimension")), written.exif.end());
    EXPECT_EQ(written.exif.findKey(Exiv2::ExifKey("Exif.Photo.PixelYDimension")), written.exif.end());
    const auto make = written.exif.findKey(Exiv2::ExifKey("Exif.Image.Make"));
    ASSERT_NE(make, written.exif.end());
    EXPECT_EQ(make->toString(), "Orvane");
}

TEST_P(Policies, RemoveAllLeavesNothing) {
    const Written written = readWithExiv2(convert(source(), GetParam(), MetadataPolicy::removeAll).data);
    for (const auto& datum : written.exif) {
        // A TIFF file's own layout tags are not metadata of the photo.
        EXPECT_TRUE(GetParam() == ConvertFormat::tiff && datum.groupName() == "Image" &&
                    datum.tagName() != "Make" && datum.tagName() != "Orientation")
            << datum.key();
    }
    EXPECT_TRUE(written.iptc.empty());
}

INSTANTIATE_TEST_SUITE_P(EveryFormatWithMetadata, Policies,
                         testing::Values(ConvertFormat::jpeg, ConvertFormat::png, ConvertFormat::heic,
                                         ConvertFormat::avif, ConvertFormat::tiff),
                         [](const auto& info) { return std::string(rawValue(info.param)); });

TEST(MetadataPolicies, WebPCarriesNoMetadataUnderAnyPolicy) {
    const Bytes source = test::encoded(test::gradient(40, 30), ConvertFormat::jpeg, test::cameraProperties());
    for (const auto policy : allCases<MetadataPolicy>()) {
        const Bytes webp = convert(source, ConvertFormat::webp, policy).data;
        const std::string text(webp.begin(), webp.end());
        EXPECT_EQ(text.find("EXIF"), std::string::npos);
        EXPECT_EQ(text.find("Exif"), std::string::npos);
        EXPECT_EQ(text.find("XMP"), std::string::npos);
    }
}

TEST(MetadataPolicies, XmpIsNeverCarriedOverEvenUnderKeep) {
    // XMP can repeat the location, so it goes whatever the policy says.
    const Bytes plain = test::encoded(test::gradient(40, 30), ConvertFormat::jpeg, test::cameraProperties());
    const Bytes withXmp =
        test::withXmp(plain, {{"Xmp.exif.GPSLatitude", "48,51.5N"}, {"Xmp.dc.title", "Holiday"}});
    ASSERT_NE(std::string(withXmp.begin(), withXmp.end()).find("xmpmeta"), std::string::npos);

    for (const ConvertFormat format : {ConvertFormat::jpeg, ConvertFormat::png, ConvertFormat::tiff,
                                       ConvertFormat::heic, ConvertFormat::avif}) {
        const Bytes out = convert(withXmp, format, MetadataPolicy::keep).data;
        const std::string text(out.begin(), out.end());
        EXPECT_EQ(text.find("xmpmeta"), std::string::npos) << rawValue(format);
        EXPECT_EQ(text.find("Holiday"), std::string::npos) << rawValue(format);
        EXPECT_NE(readWithExiv2(out).exif.findKey(Exiv2::ExifKey("Exif.Photo.DateTimeOriginal")),
                  readWithExiv2(out).exif.end());
    }
}

// A user who asks for the location to be removed gets no place name anywhere in the file: not in
// IPTC, not in the camera's own note. Everything else stays.
TEST(MetadataPolicies, RemoveLocationAlsoDropsThePlacesNamedInIptcAndMakerNotes) {
    ImageProperties source = test::cameraProperties();
    source.iptc = PropertyDictionary{{"Iptc.Application2.City", {Exiv2::string, "London"}},
                                     {"Iptc.Application2.SubLocation", {Exiv2::string, "Soho"}},
                                     {"Iptc.Application2.ProvinceState", {Exiv2::string, "England"}},
                                     {"Iptc.Application2.CountryName", {Exiv2::string, "UK"}},
                                     {"Iptc.Application2.CountryCode", {Exiv2::string, "GBR"}},
                                     {"Iptc.Application2.LocationName", {Exiv2::string, "Carnaby Street"}},
                                     {"Iptc.Application2.Byline", {Exiv2::string, "A. Photographer"}},
                                     {"Iptc.Application2.Keywords", {Exiv2::string, "street"}}};
    source.maker = PropertyDictionary{{"Exif.Photo.MakerNote", {Exiv2::undefined, "1 2 3 4"}},
                                      {"Exif.Panasonic.City", {Exiv2::undefined, "76 111 110"}},
                                      {"Exif.Panasonic.Quality", {Exiv2::unsignedShort, "2"}}};
    const ImageProperties filtered = Converter::filterMetadata(source, MetadataPolicy::removeLocation);
    EXPECT_EQ(filtered.maker, (PropertyDictionary{{"Exif.Panasonic.Quality", {Exiv2::unsignedShort, "2"}}}));
    EXPECT_EQ(Converter::filterMetadata(source, MetadataPolicy::keep).maker, source.maker);

    for (const ConvertFormat format : {ConvertFormat::jpeg, ConvertFormat::tiff}) {
        const Bytes file = test::encoded(test::gradient(80, 60), format, source);
        std::vector<std::string> kept;
        for (const auto& datum :
             readWithExiv2(convert(file, format, MetadataPolicy::removeLocation).data).iptc) {
            kept.push_back(datum.tagName() + "=" + datum.toString());
        }
        EXPECT_EQ(kept, (std::vector<std::string>{"Byline=A. Photographer", "Keywords=street"}))
            << rawValue(format);
        EXPECT_EQ(readWithExiv2(convert(file, format, MetadataPolicy::keep).data).iptc.count(), 8u)
            << rawValue(format);
    }
}

// A PNG made from a camera's photo by other programs carries EXIF after its image data, with the
// camera's maker notes and a main directory that leads back to itself. Its metadata never costs
// the conversion: every format is written, with what can be carried, and under removeLocation
// without the position anywhere in the file.
TEST(MetadataPolicies, APngWithACamerasLoopingExifConvertsToEveryFormat) {
    const Bytes png = test::pngWithCameraExif(test::gradient(80, 60));
    const Bytes latitude = test::cameraExifLatitudeBytes();
    for (const ConvertFormat format : allCases<ConvertFormat>()) {
        for (const MetadataPolicy policy : {MetadataPolicy::keep, MetadataPolicy::removeLocation}) {
            SCOPED_TRACE(std::string(rawValue(format)) + " " + std::string(rawValue(policy)));
            ConvertResult result;
            ASSERT_NO_THROW(result = convert(png, format, policy));
            EXPECT_EQ(result.width, 80);
            EXPECT_EQ(ImageFiles::loadFromData(result.data).height(), 60);
            if (format == ConvertFormat::webp) {
                continue;
            }
            const Written written = readWithExiv2(result.data);
            const auto date = written.exif.findKey(Exiv2::ExifKey("Exif.Photo.DateTimeOriginal"));
            ASSERT_NE(date, written.exif.end());
            EXPECT_EQ(date->toString(), "2021:07:04 15:30:00");
            const auto model = written.exif.findKey(Exiv2::ExifKey("Exif.Image.Model"));
            ASSERT_NE(model, written.exif.end());
            EXPECT_EQ(model->toString(), "DSC-RX100M4");
            if (policy == MetadataPolicy::removeLocation) {
                EXPECT_FALSE(hasGroup(written.exif, "GPSInfo"));
                for (const auto& datum : written.exif) {
                    EXPECT_EQ(datum.key().find("GPS"), std::string::npos) << datum.key();
                }
                EXPECT_EQ(
                    std::search(result.data.begin(), result.data.end(), latitude.begin(), latitude.end()),
                    result.data.end());
            }
        }
    }
}
