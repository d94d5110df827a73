#include "core/ImageFiles.h"
#include "core/convert/ConvertError.h"
#include "core/convert/Converter.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"

#include <gtest/gtest.h>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

ConvertResult converted(const SharedBytes& png, ConvertFormat format,
                        std::optional<int> maxKB = std::nullopt) {
    ConvertOptions options;
    options.format = format;
    options.maxKB = maxKB;
    return Converter::convert(ConvertInputData{png, std::nullopt}, options);
}

ConvertResult converted(const Bitmap& image, ConvertFormat format) {
    return converted(std::make_shared<const Bytes>(test::encoded(image, ConvertFormat::png)), format);
}

std::string refusal(const std::function<void()>& work) {
    try {
        work();
    } catch (const ConvertRequestError& error) {
        return error.what();
    }
    return "(no refusal)";
}

} // namespace

// A panorama wider than HEIC, AVIF or WebP files may be here is refused, with the largest size,
// rather than written as a file that no reader opens; with a size target too.
TEST(LargestSize, APanoramaTooWideForTheFormatIsRefusedWithItsLargestSize) {
    const auto panorama =
        std::make_shared<const Bytes>(test::encoded(test::gradient(17000, 1000), ConvertFormat::png));
    for (const auto& [format, largest] : {std::pair{ConvertFormat::heic, "16384"},
                                          {ConvertFormat::avif, "16384"},
                                          {ConvertFormat::webp, "16383"}}) {
        const std::string name = title(format);
        const std::string expected = "This image is too large to save as " + name + ": the largest " + name +
                                     " here is " + largest + " × " + largest + " pixels.";
        EXPECT_EQ(refusal([&] { converted(panorama, format); }), expected);
    }
    EXPECT_NE(refusal([&] { converted(panorama, ConvertFormat::heic, 500); }), "(no refusal)");
    // Tall ones too.
    EXPECT_NE(refusal([&] { converted(test::gradient(8, 16385), ConvertFormat::heic); }), "(no refusal)");
    EXPECT_NE(refusal([&] { converted(test::gradient(8, 65501), ConvertFormat::jpeg); }), "(no refusal)");
}

// The largest size each format allows is written, and reads back whole with our own decoder.
TEST(LargestSize, TheLargestAllowedSizeIsWrittenAndReadsBackWhole) {
    for (const auto& [format, side] : {std::pair{ConvertFormat::heic, 16384},
                                       {ConvertFormat::avif, 16384},
                                       {ConvertFormat::webp, 16383}}) {
        const ConvertResult result = converted(test::gradient(side, 64), format);
        const Bitmap back = ImageFiles::loadFromData(result.data);
        EXPECT_EQ(back.width(), side) << title(format);
        EXPECT_EQ(back.height(), 64) << title(format);
        const Bitmap tall = ImageFiles::loadFromData(converted(test::gradient(64, side), format).data);
        EXPECT_EQ(tall.height(), side) << title(format);
    }
}

// The editor's export writes through ImageFiles::save: the same refusal, and no file.
TEST(LargestSize, SavingAnImageTooLargeForHeicWritesNothing) {
    const test::TemporaryDirectory folder;
    const fs::path target = folder.path() / "wide.heic";
    EXPECT_EQ(
        refusal([&] { ImageFiles::save(test::gradient(17000, 40), target, ImageFiles::Format::heic, 0.92); }),
        "This image is too large to save as HEIC: the largest HEIC here is 16384 × 16384 pixels.");
    EXPECT_TRUE(fs::is_empty(folder.path()));
}
