#include "core/convert/detail/ConverterSteps.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

using namespace orvane;
using namespace std::chrono;

namespace {

// Runs the test in a fixed local time zone, so "the system's time zone" is known.
class CaptureDate : public testing::Test {
protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ")) {
            saved_ = tz;
        }
        ::setenv("TZ", "America/New_York", 1);
        ::tzset();
    }
    void TearDown() override {
        if (saved_) {
            ::setenv("TZ", saved_->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }
    std::optional<std::string> saved_;
};

system_clock::time_point utc(int y, unsigned m, unsigned d, int h, int min) {
    return sys_days{year{y} / month{m} / day{d}} + hours{h} + minutes{min};
}

ImageProperties withExif(PropertyDictionary exif) {
    ImageProperties properties;
    properties.exif = std::move(exif);
    return properties;
}

} // namespace

TEST_F(CaptureDate, OffsetTimeOriginalGivesTheZone) {
    const auto date =
        Converter::captureDate(withExif({{"DateTimeOriginal", PropertyValue::string("2021:07:04 15:30:00")},
                                         {"OffsetTimeOriginal", PropertyValue::string("+02:00")}}));
    EXPECT_EQ(date, utc(2021, 7, 4, 13, 30));
    const auto west =
        Converter::captureDate(withExif({{"DateTimeOriginal", PropertyValue::string("2021:07:04 15:30:00")},
                                         {"OffsetTimeOriginal", PropertyValue::string("-05:30")}}));
    EXPECT_EQ(west, utc(2021, 7, 4, 21, 0));
}

TEST_F(CaptureDate, WithoutAValidOffsetTheSystemZoneApplies) {
    const auto plain = Converter::captureDate(
        withExif({{"DateTimeOriginal", PropertyValue::string("2021:07:04 15:30:00")}}));
    EXPECT_EQ(plain, utc(2021, 7, 4, 19, 30)); // New York is four hours behind in July
    const auto nonsense =
        Converter::captureDate(withExif({{"DateTimeOriginal", PropertyValue::string("2021:07:04 15:30:00")},
                                         {"OffsetTimeOriginal", PropertyValue::string("Paris")}}));
    EXPECT_EQ(nonsense, plain);
}

TEST_F(CaptureDate, FallsBackToTheMainDirectoryDate) {
    ImageProperties properties;
    properties.tiff = PropertyDictionary{{"DateTime", PropertyValue::string("2020:01:02 03:04:05")}};
    properties.exif = PropertyDictionary{{"OffsetTimeOriginal", PropertyValue::string("+02:00")}};
    // The offset belongs to the original date; it still names the zone of the formatter.
    EXPECT_EQ(Converter::captureDate(properties), utc(2020, 1, 2, 1, 4) + seconds{5});
    properties.exif.reset();
    EXPECT_EQ(Converter::captureDate(properties), utc(2020, 1, 2, 8, 4) + seconds{5});
}

TEST_F(CaptureDate, AnythingElseGivesNoDate) {
    EXPECT_FALSE(Converter::captureDate({}).has_value());
    for (const char* text : {"2021-07-04 15:30:00", "2021:13:04 15:30:00", "2021:02:30 10:00:00",
                             "    :  :     :  :  ", "2021:07:04", "2021:07:04 15:30:00 extra"}) {
        EXPECT_FALSE(
            Converter::captureDate(withExif({{"DateTimeOriginal", PropertyValue::string(text)}})).has_value())
            << text;
    }
    // A date stored as a number is no date text.
    EXPECT_FALSE(Converter::captureDate(withExif({{"DateTimeOriginal", PropertyValue::shortInteger(2021)}}))
                     .has_value());
}
