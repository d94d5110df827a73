#include "core/convert/ConvertError.h"
#include "intents/ConvertImageIntent.h"
#include "intents/EnlargeIntentError.h"
#include "platform/image/ImageSource.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {

IntentFile holidayHeic() {
    static const Bytes bytes =
        test::encoded(test::gradient(120, 80), ConvertFormat::heic, test::cameraProperties());
    return IntentFile{bytes, "holiday.heic", UniformType::heic()};
}

} // namespace

TEST(ConvertFormatOption, RawValuesAreExactAndMapByMeaning) {
    EXPECT_EQ(fromRawValue<ConvertFormatOption>("jpg"), ConvertFormatOption::jpg);
    for (const char* text : {"JPG", "jpeg", "jpg ", "Jpg", "WebP"}) {
        EXPECT_FALSE(fromRawValue<ConvertFormatOption>(text).has_value()) << text;
    }
    EXPECT_EQ(allCases<ConvertFormatOption>(),
              (std::array{ConvertFormatOption::jpg, ConvertFormatOption::png, ConvertFormatOption::heic,
                          ConvertFormatOption::webp, ConvertFormatOption::avif}));
    EXPECT_EQ(format(ConvertFormatOption::webp), ConvertFormat::webp);
    EXPECT_EQ(format(ConvertFormatOption::avif), ConvertFormat::avif);
    EXPECT_EQ(format(ConvertFormatOption::jpg), ConvertFormat::jpeg);
    EXPECT_EQ(displayText(ConvertFormatOption::webp), "WebP");
    EXPECT_EQ(displayText(ConvertFormatOption::jpg), "JPG");
    EXPECT_EQ(typeDisplayName(ConvertFormatOption::jpg), "Format");
}

TEST(OutputBaseName, DropsOnlyTheLastExtension) {
    EXPECT_EQ(outputBaseName({{}, "holiday.jpeg", {}}), "holiday");
    EXPECT_EQ(outputBaseName({{}, "scan.final.tiff", {}}), "scan.final");
    EXPECT_EQ(outputBaseName({{}, "README", {}}), "README");
    EXPECT_EQ(outputBaseName({{}, "", {}}), "photo");
    EXPECT_EQ(outputBaseName({{}, ".hidden", {}}), ".hidden");
}

TEST(OutputBaseName, ALongNameGivesWayToTheActionsSuffix) {
    const IntentFile longest{{}, std::string(251, 'p') + ".png", {}};
    for (const std::string ending : {"-4x.jpg", "-enhanced.jpg", "-cutout.png", ".webp"}) {
        const std::string name = outputFileName(longest, ending);
        EXPECT_EQ(name, std::string(255 - ending.size(), 'p') + ending);
    }
    EXPECT_EQ(outputFileName({{}, "holiday.heic", {}}, "-4x.jpg"), "holiday-4x.jpg");
}

TEST(ConvertImageIntent, DefaultsGiveAJpegWithoutLocationButWithTheCaptureDate) {
    ConvertImageIntent intent;
    intent.image = holidayHeic();
    const IntentFile result = intent.perform();
    EXPECT_EQ(result.filename, "holiday.jpg");
    EXPECT_EQ(result.type, UniformType::jpeg());
    const auto source = ImageSource::create(result.data);
    ASSERT_TRUE(source.has_value());
    EXPECT_EQ(source->typeIdentifier(), "public.jpeg");
    EXPECT_FALSE(source->properties().gps.has_value());
    EXPECT_EQ(findProperty(*source->properties().exif, "DateTimeOriginal")->text, "2021:07:04 15:30:00");
}

TEST(ConvertImageIntent, OtherFormatsAndKeepingTheLocation) {
    ConvertImageIntent intent;
    intent.image = holidayHeic();
    intent.format = ConvertFormatOption::webp;
    EXPECT_EQ(intent.perform().filename, "holiday.webp");
    intent.format = ConvertFormatOption::png;
    intent.removeLocation = false;
    const IntentFile png = intent.perform();
    EXPECT_EQ(png.filename, "holiday.png");
    EXPECT_TRUE(ImageSource::create(png.data)->properties().gps.has_value());
}

TEST(ConvertImageIntent, ErrorsSpeakTheActionsOwnWordsOnlyForUnreadableInput) {
    ConvertImageIntent intent;
    intent.image = IntentFile{Bytes{'n', 'o', 'p', 'e'}, "notes.jpg", UniformType::jpeg()};
    try {
        intent.perform();
        FAIL();
    } catch (const EnlargeIntentError& error) {
        EXPECT_STREQ(error.what(), "That file isn't an image Orvane can read.");
    }
    intent.image =
        IntentFile{test::encoded(test::noise(300, 300), ConvertFormat::png), "noise.png", UniformType::png()};
    intent.maxKB = 0;
    try {
        intent.perform();
        FAIL();
    } catch (const ConvertError& error) {
        EXPECT_STREQ(error.what(), "Couldn't get the file under 0 KB, even at a small size.");
    }
}

TEST(ConvertImageIntent, MeetsTheSizeLimit) {
    ConvertImageIntent intent;
    intent.image =
        IntentFile{test::encoded(test::noise(800, 600), ConvertFormat::png), "noise.png", std::nullopt};
    intent.maxKB = 40;
    EXPECT_LE(intent.perform().data.size(), 40'000u);
}
