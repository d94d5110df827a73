#include "core/ImageFiles.h"
#include "core/convert/Converter.h"
#include "core/upscale/DeviceLimits.h"
#include "platform/files/FileError.h"
#include "platform/image/ImageSource.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace orvane;

TEST(ImageFiles, FormatRawValues) {
    EXPECT_EQ(allCases<ImageFiles::Format>(),
              (std::array{ImageFiles::Format::png, ImageFiles::Format::jpeg, ImageFiles::Format::heic}));
    EXPECT_EQ(fromRawValue<ImageFiles::Format>("jpeg"), ImageFiles::Format::jpeg);
    EXPECT_FALSE(fromRawValue<ImageFiles::Format>("jpg").has_value());
    EXPECT_FALSE(fromRawValue<ImageFiles::Format>("PNG").has_value());
}

TEST(ImageFiles, RotatedPhotoLoadsUprightButFirstImageIsAsStored) {
    const auto bytes = test::withExif(test::encoded(test::gradient(60, 40), ConvertFormat::jpeg),
                                      {{"Exif.Image.Orientation", "6"}});
    const Bitmap upright = ImageFiles::loadFromData(bytes);
    EXPECT_EQ(upright.width(), 40);
    EXPECT_EQ(upright.height(), 60);
    const auto stored = ImageFiles::firstImage(bytes);
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->width(), 60);
    const Bitmap limited = ImageFiles::loadFromData(bytes, 30);
    EXPECT_EQ(limited.width(), 20);
    EXPECT_EQ(limited.height(), 30);
}

TEST(ImageFiles, BytesThatAreNoImage) {
    const std::vector<std::uint8_t> text = {'h', 'e', 'l', 'l', 'o'};
    try {
        ImageFiles::loadFromData(text);
        FAIL();
    } catch (const FileError& error) {
        EXPECT_EQ(error.code(), FileError::Code::fileReadCorruptFile);
    }
    EXPECT_FALSE(ImageFiles::firstImage(text).has_value());
    EXPECT_THROW(ImageFiles::loadFromURL("/nonexistent/photo.heic"), FileError);
}

TEST(ImageFiles, SaveWritesEachFormatWithItsResolutionAndNothingElse) {
    test::TemporaryDirectory folder;
    const Bitmap image = test::gradient(64, 32);
    for (const auto format : allCases<ImageFiles::Format>()) {
        const auto path = folder / ("saved." + std::string(rawValue(format)));
        ImageFiles::save(image, path, format, 0.9, 144);
        const Bitmap loaded = ImageFiles::loadFromURL(path);
        EXPECT_EQ(loaded.width(), 64);
        EXPECT_LE(test::meanChannelDifference(loaded, image), 3.0);
        const auto source = ImageSource::createFromFile(path);
        EXPECT_FALSE(source->properties().gps.has_value());
        if (format != ImageFiles::Format::heic) {
            EXPECT_NEAR(source->properties().dpiWidth.value_or(0), 144, 0.5) << rawValue(format);
        }
    }
}

// A cut-out saved or shared as JPEG from the result card: the transparent part is white, as
// the converter makes it, never the black hidden under it; PNG and HEIC keep the transparency.
TEST(ImageFiles, SaveAsJpegPutsTransparencyOnWhite) {
    test::TemporaryDirectory folder;
    const Bitmap cutOut = test::logoOnTransparency(64, 32);
    ImageFiles::save(cutOut, folder / "cutout.jpg", ImageFiles::Format::jpeg, 0.92);
    const Bitmap jpeg = ImageFiles::loadFromURL(folder / "cutout.jpg");
    const test::ShapeKept kept = test::shapeKept(cutOut, jpeg);
    EXPECT_LT(kept.shownOutside, 0.01);
    EXPECT_LT(kept.lostInside, 0.01);
    for (const int x : {40, 50, 62}) {
        for (const int channel : {0, 1, 2}) {
            EXPECT_GE(jpeg.pixel(x, 16)[channel], 250) << x;
        }
    }
    for (const auto format : {ImageFiles::Format::png, ImageFiles::Format::heic}) {
        ImageFiles::save(cutOut, folder / "cutout", format, 0.92);
        EXPECT_LE(ImageFiles::loadFromURL(folder / "cutout").pixel(60, 16)[3], 5) << rawValue(format);
    }
}

TEST(ImageFiles, SaveToAFolderThatCannotBeWrittenFails) {
    try {
        ImageFiles::save(test::gradient(8, 8), "/nonexistent-folder/out.png", ImageFiles::Format::png, 1.0);
        FAIL();
    } catch (const FileError& error) {
        EXPECT_EQ(error.code(), FileError::Code::fileWriteUnknown);
    }
}

// A file of a few hundred bytes can declare a picture that would take the machine's memory and
// minutes to decode. Its header alone decides: beyond the device's pixel budget it is refused at
// once, with a sentence that says why; within it, it decodes.
TEST(ImageFiles, APictureBeyondTheDevicesBudgetIsRefusedFromItsHeader) {
    const Bytes bomb = test::pngDeclaring(30000, 30000);
    ASSERT_LT(bomb.size(), 1000u);
    ASSERT_FALSE(DeviceLimits::fitsPixelBudget(30000, 30000));
    for (const std::optional<int> limit : {std::optional<int>(), std::optional<int>(100)}) {
        try {
            ImageFiles::loadFromData(bomb, limit);
            ADD_FAILURE() << "decoded";
        } catch (const FileError& error) {
            EXPECT_EQ(error.code(), FileError::Code::fileReadTooLarge);
            EXPECT_STREQ(error.what(), "This image is too large to open on this device.");
        }
    }
    EXPECT_FALSE(ImageFiles::firstImage(bomb).has_value());
    try {
        Converter::convert(ConvertInputData{std::make_shared<const Bytes>(bomb), std::nullopt},
                           ConvertOptions{});
        ADD_FAILURE() << "converted";
    } catch (const FileError& error) {
        EXPECT_EQ(error.code(), FileError::Code::fileReadTooLarge);
    }
    EXPECT_EQ(ImageFiles::loadFromData(test::encoded(test::gradient(64, 4), ConvertFormat::png)).width(), 64);
}
