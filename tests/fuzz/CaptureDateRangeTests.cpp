// A capture date the clock cannot hold is no capture date. The clock counts nanoseconds in 64
// bits, so years before 1678 or after 2261 overflowed on the way in (undefined behaviour, found by
// the image input fuzzer in a JPEG dated 4042).

#include "core/convert/Converter.h"
#include "core/convert/detail/ConverterSteps.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {

ImageProperties dated(const std::string& text, std::optional<std::string> offset = std::nullopt) {
    ImageProperties properties;
    properties.exif = PropertyDictionary{{"DateTimeOriginal", PropertyValue::string(text)}};
    if (offset) {
        properties.exif->emplace("OffsetTimeOriginal", PropertyValue::string(*offset));
    }
    return properties;
}

} // namespace

TEST(CaptureDateRange, YearsTheClockCannotHoldGiveNoDate) {
    for (const char* text :
         {"4042:06:21 10:00:00", "9999:12:31 23:59:59", "0010:01:01 00:00:00", "1600:03:01 12:00:00"}) {
        EXPECT_EQ(Converter::captureDate(dated(text)), std::nullopt) << text;
        EXPECT_EQ(Converter::captureDate(dated(text, "+02:00")), std::nullopt) << text;
    }
    // Just inside the range, the date still counts.
    EXPECT_NE(Converter::captureDate(dated("2261:12:31 23:59:59", "+00:00")), std::nullopt);
    EXPECT_NE(Converter::captureDate(dated("1678:01:01 00:00:00", "+00:00")), std::nullopt);
}

TEST(CaptureDateRange, APhotoDatedFarInTheFutureStillConverts) {
    const Bytes jpeg = test::withExif(test::encoded(test::gradient(16, 12), ConvertFormat::jpeg),
                                      {{"Exif.Photo.DateTimeOriginal", "4042:06:21 10:00:00"}});
    const ConvertResult result = Converter::convert(
        ConvertInputData{std::make_shared<const Bytes>(jpeg), std::nullopt}, ConvertOptions{});
    EXPECT_EQ(result.width, 16);
    EXPECT_EQ(result.captureDate, std::nullopt);
}
