#include "core/ImageFiles.h"
#include "core/convert/Converter.h"
#include "editor/EditorModel.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"

#include <QTest>
#include <fstream>
#include <gtest/gtest.h>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

constexpr int waitLimit = 60'000;

std::optional<JobRecord> recorded(QFuture<std::optional<JobRecord>> future) {
    // The gallery inserts its record through the event loop, so the wait must keep it running.
    if (!QTest::qWaitFor([&] { return future.isFinished(); }, waitLimit)) {
        return std::nullopt;
    }
    return future.result();
}

ResultInfo info(QString label, bool hasAlpha, std::optional<int> dpi = std::nullopt) {
    return ResultInfo{
        .width = 40, .height = 30, .seconds = 1, .hasAlpha = hasAlpha, .dpi = dpi, .label = std::move(label)};
}

// A 40 × 30 PNG converted to `format`.
ConvertResult convertedGradient(ConvertFormat format) {
    const Bytes source = test::encoded(test::gradient(40, 30), ConvertFormat::png);
    ConvertOptions options;
    options.format = format;
    return Converter::convert(ConvertInputData{std::make_shared<const Bytes>(source), "public.png"}, options);
}

} // namespace

TEST(EditorModelRecording, AFocusedPresetNamesTheJob) {
    test::TemporaryDirectory root;
    JobGallery gallery(root.path());
    EditorModel model;
    model.setGallery(&gallery);
    model.setSourceName("beach");
    const auto preset = JobPreset::find("enlarge-screen");
    ASSERT_TRUE(preset.has_value());
    model.setFocus(preset);
    const Bitmap image = test::gradient(40, 30);
    model.setResultInfo(info("Screen size", false));
    const auto record = recorded(model.recordJob(image, test::gradient(10, 8), std::nullopt, "jpg",
                                                 std::nullopt, "Screen size", Tool::enlarge));
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->title, "Wallpaper");
    EXPECT_EQ(record->symbol, "display");
    EXPECT_EQ(record->detail, "Screen size");
    EXPECT_EQ(record->resultFile, "beach-wallpaper.jpg");
    ASSERT_EQ(gallery.records().size(), 1);
    EXPECT_EQ(gallery.records().front(), *record);
}

TEST(EditorModelRecording, WithoutAPresetTheToolNamesTheJobAndTransparencyIsKept) {
    test::TemporaryDirectory root;
    JobGallery gallery(root.path());
    EditorModel model;
    model.setGallery(&gallery);
    model.setSourceName("my photo");
    model.setResultInfo(info("Background removed", true));
    const Bitmap image = test::gradient(40, 30, AlphaInfo::premultipliedLast);
    const auto record = recorded(model.recordJob(image, image, std::nullopt, "jpg", std::nullopt,
                                                 "Background removed", Tool::background));
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->title, title(Tool::background));
    EXPECT_EQ(record->symbol, symbol(Tool::background));
    EXPECT_EQ(record->resultFile, "my photo-background.png");
}

TEST(EditorModelRecording, PresetTitlesAreCleanedForTheFileName) {
    test::TemporaryDirectory root;
    JobGallery gallery(root.path());
    EditorModel model;
    model.setGallery(&gallery);
    model.setSourceName("photo");
    JobPreset preset;
    preset.id = "x";
    preset.title = "Enlarge 4×";
    preset.symbol = "sym";
    model.setFocus(preset);
    model.setResultInfo(info("4×", false, 300));
    const auto record = recorded(model.recordJob(test::gradient(40, 30), test::gradient(10, 8), std::nullopt,
                                                 "jpg", 300, "4×", Tool::enlarge));
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->resultFile, "photo-enlarge-4x.jpg");
    EXPECT_EQ(record->title, "Enlarge 4×");
}

TEST(EditorModelRecording, AConvertRunStoresItsBytesAndTheirSize) {
    test::TemporaryDirectory root;
    JobGallery gallery(root.path());
    EditorModel model;
    model.setGallery(&gallery);
    model.setSourceName("photo");
    const ConvertResult converted = convertedGradient(ConvertFormat::webp);
    model.setResultInfo(info("WebP", false));
    const Bitmap image = test::gradient(40, 30);
    const auto record =
        recorded(model.recordJob(image, image, converted, "webp", std::nullopt, "WebP", Tool::convert));
    ASSERT_TRUE(record.has_value());
    EXPECT_TRUE(record->detail.startsWith(QStringLiteral("WebP · ")));
    EXPECT_EQ(record->resultFile, "photo-convert.webp");
    const fs::path stored = gallery.root() / uuidString(record->id).toStdString() / "photo-convert.webp";
    std::ifstream stream(stored, std::ios::binary);
    const Bytes bytes{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    EXPECT_EQ(bytes, converted.data);
}

TEST(EditorModelRecording, ANameWithSlashesStaysInsideTheJobFolder) {
    test::TemporaryDirectory root;
    JobGallery gallery(root.path());
    EditorModel model;
    model.setGallery(&gallery);
    model.setSourceName("../../escape");
    model.setResultInfo(info("4×", false));
    const auto record = recorded(model.recordJob(test::gradient(40, 30), test::gradient(10, 8), std::nullopt,
                                                 "jpg", std::nullopt, "4×", Tool::enlarge));
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->resultFile, "..-..-escape-enlarge.jpg");
    EXPECT_TRUE(fs::exists(root / uuidString(record->id).toStdString() / record->resultFile.toStdString()));
}

// A photo's own name can take the file system's whole limit; the job's file name, longer by the
// title and the extension, gives up the end of the photo's name and the job is still recorded.
TEST(EditorModelRecording, APhotoWithALongNameIsStillRecorded) {
    test::TemporaryDirectory root;
    JobGallery gallery(root.path());
    EditorModel model;
    model.setGallery(&gallery);
    const QString longName(125, QChar(u'é'));
    model.setSourceName(longName);
    const ConvertResult converted = convertedGradient(ConvertFormat::jpeg);
    model.setResultInfo(info("JPG", false));
    const Bitmap image = test::gradient(40, 30);
    for (const bool conversion : {true, false}) {
        const auto record =
            recorded(model.recordJob(image, image, conversion ? std::optional(converted) : std::nullopt,
                                     "jpg", std::nullopt, "JPG", conversion ? Tool::convert : Tool::enhance));
        ASSERT_TRUE(record.has_value());
        const std::string name = record->resultFile.toStdString();
        EXPECT_LE(name.size(), 255u);
        EXPECT_TRUE(record->resultFile.startsWith(QString(100, QChar(u'é'))));
        EXPECT_TRUE(record->resultFile.endsWith(conversion ? "é-convert.jpg" : "é-enhance.jpg")) << name;
        EXPECT_TRUE(fs::exists(root / uuidString(record->id).toStdString() / name));
    }
    EXPECT_EQ(gallery.records().size(), 2);
}
