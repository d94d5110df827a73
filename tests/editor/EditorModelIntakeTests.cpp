#include "core/ImageFiles.h"
#include "core/convert/ConvertError.h"
#include "core/convert/Converter.h"
#include "editor/ByteCountText.h"
#include "editor/EditorModel.h"
#include "editor/ToolWork.h"
#include "platform/files/FileBytes.h"
#include "tests/editor/WaitForLoad.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

const QString unreadable = QStringLiteral("That file couldn't be opened as an image.");

fs::path writeFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

const ConvertInputData& bytesInput(const EditorModel& model) {
    static const ConvertInputData none;
    if (!model.sourceInput() || !std::holds_alternative<ConvertInputData>(*model.sourceInput())) {
        ADD_FAILURE() << "the source has no bytes";
        return none;
    }
    return std::get<ConvertInputData>(*model.sourceInput());
}

// An editor as it is after a finished run whose export is still being written, with a running
// job on top: every piece of state that intake clears or keeps is present.
struct Busy {
    Bitmap result = test::solid(30, 20, 9, 9, 9);
    TaskHandle job;
    TaskHandle exportJob;

    void apply(EditorModel& model) const {
        model.setResult(result);
        model.setResultPreview(result);
        model.setResultInfo(
            ResultInfo{.width = 30, .height = 20, .seconds = 1, .hasAlpha = false, .label = "4×"});
        model.setConvertedData(ConvertedFile{std::make_shared<const Bytes>(Bytes{1}), "jpg"});
        model.setExportURL("/tmp/export/photo.jpg");
        model.setIsPreparingExport(true);
        model.setExportJob(exportJob);
        model.setJob(job);
        model.setProgress(0.25);
        model.setStatus("Enlarging…");
    }
};

// Lets every load still running end and deliver what it posted.
void finishAllWork() {
    userInitiatedPool().waitForDone();
    QCoreApplication::sendPostedEvents();
}

void expectNoResult(const EditorModel& model) {
    EXPECT_FALSE(model.result());
    EXPECT_FALSE(model.resultPreview());
    EXPECT_FALSE(model.resultInfo());
    EXPECT_FALSE(model.convertedData());
    EXPECT_FALSE(model.exportURL());
    EXPECT_FALSE(model.isPreparingExport());
}

} // namespace

TEST(EditorIntake, LoadingAPhotoReplacesTheSourceStopsTheJobAndClearsTheResult) {
    test::TemporaryDirectory directory;
    const Bytes png = test::encoded(test::gradient(64, 48), ConvertFormat::png);
    const auto path = writeFile(directory / "holiday.final.png", png);

    EditorModel model;
    model.setTool(Tool::background);
    model.setFocus(JobPreset::find("bg-white"));
    model.setErrorMessage("Earlier");
    const Busy busy;
    busy.apply(model);
    QSignalSpy resultSignals(&model, &EditorModel::resultChanged);

    model.loadFile(path);
    ASSERT_TRUE(test::waitForLoad(model));

    ASSERT_TRUE(model.original());
    EXPECT_EQ(model.original()->width(), 64);
    EXPECT_EQ(model.original()->height(), 48);
    // Small enough to be its own preview.
    EXPECT_EQ(model.originalPreview(), model.original());
    EXPECT_EQ(model.sourceName(), "holiday.final");
    EXPECT_EQ(*bytesInput(model).data, png);
    EXPECT_EQ(bytesInput(model).typeHint, "public.png");
    expectNoResult(model);
    EXPECT_EQ(resultSignals.count(), 1);

    EXPECT_TRUE(busy.job.isCancelled());
    EXPECT_FALSE(model.job());
    EXPECT_FALSE(model.progress());
    EXPECT_FALSE(model.status());
    // The export task is asked to stop, but stays the one last started.
    EXPECT_TRUE(busy.exportJob.isCancelled());
    EXPECT_EQ(model.exportJob(), busy.exportJob);

    EXPECT_EQ(model.tool(), Tool::background);
    EXPECT_EQ(model.focus(), JobPreset::find("bg-white"));
    EXPECT_EQ(model.errorMessage(), "Earlier");
}

TEST(EditorIntake, PreviewsOfLargePhotosAreLimitedOnTheLongSide) {
    test::TemporaryDirectory directory;
    const auto path =
        writeFile(directory / "IMG_1234.JPG", test::encoded(test::gradient(5000, 1250), ConvertFormat::jpeg));
    EditorModel model;
    model.loadFile(path);
    ASSERT_TRUE(test::waitForLoad(model));
    ASSERT_TRUE(model.original() && model.originalPreview());
    EXPECT_EQ(model.original()->width(), 5000);
    EXPECT_EQ(model.originalPreview()->width(), 4096);
    EXPECT_EQ(model.originalPreview()->height(), 1024);
    EXPECT_EQ(model.sourceName(), "IMG_1234");
    EXPECT_EQ(bytesInput(model).typeHint, "public.jpeg");
}

TEST(EditorIntake, CameraRawFilesAreDevelopedAndKeepTheirOwnBytes) {
    test::TemporaryDirectory directory;
    const Bytes dng = test::linearDng(48, 32);
    const auto path = writeFile(directory / "shot.dng", dng);
    EditorModel model;
    model.loadFile(path);
    ASSERT_TRUE(test::waitForLoad(model));
    EXPECT_FALSE(model.errorMessage());
    ASSERT_TRUE(model.original());
    EXPECT_EQ(model.original()->width(), 48);
    EXPECT_EQ(model.original()->height(), 32);
    EXPECT_EQ(model.sourceName(), "shot");
    EXPECT_EQ(*bytesInput(model).data, dng);
    EXPECT_EQ(bytesInput(model).typeHint, "com.adobe.raw-image");
}

namespace {
// The photo a load leaves in the editor, by its file and by its bytes alone.
std::pair<std::optional<Bitmap>, std::optional<Bitmap>> loadedBothWays(const fs::path& file) {
    EditorModel byFile;
    byFile.loadFile(file);
    EditorModel byData;
    byData.loadData(std::make_shared<const Bytes>(*FileBytes::read(file)));
    EXPECT_TRUE(test::waitForLoad(byFile) && test::waitForLoad(byData));
    EXPECT_FALSE(byFile.errorMessage() || byData.errorMessage());
    return {byFile.original(), byData.original()};
}

void expectSamePixels(const Bitmap& a, const Bitmap& b) {
    EXPECT_EQ(a.width(), b.width());
    EXPECT_EQ(a.height(), b.height());
    EXPECT_EQ(a.alphaInfo(), b.alphaInfo());
    EXPECT_TRUE(std::ranges::equal(a.pixels(), b.pixels()));
}
} // namespace

TEST(EditorIntake, ACameraRawFileGivesTheSamePixelsByItsFileAndByItsBytes) {
    test::TemporaryDirectory directory;
    const auto path = writeFile(directory / "shot.dng", test::linearDng(48, 32, 6));
    const auto [byFile, byData] = loadedBothWays(path);
    ASSERT_TRUE(byFile && byData);
    EXPECT_EQ(byFile->width(), 32); // developed upright
    EXPECT_EQ(byFile->height(), 48);
    expectSamePixels(*byFile, *byData);
    // The converter reads it by the same road.
    expectSamePixels(*byFile, Converter::decodeRaw(ConvertInputURL{path}));
}

TEST(EditorIntake, AFileNamedAsCameraRawIsReadAsWhatItHolds) {
    // A name is easily wrong; the content is what the file is.
    test::TemporaryDirectory directory;
    const auto path =
        writeFile(directory / "shot.dng", test::encoded(test::gradient(40, 30), ConvertFormat::png));
    const auto [byFile, byData] = loadedBothWays(path);
    ASSERT_TRUE(byFile && byData);
    EXPECT_EQ(byFile->width(), 40);
    expectSamePixels(*byFile, *byData);
    EXPECT_EQ(Converter::convert(ConvertInputURL{path}, ConvertOptions{}).width, 40);
    EXPECT_THROW(Converter::decodeRaw(ConvertInputURL{path}), ConvertError);
}

TEST(EditorIntake, AFileThatIsNoImageKeepsEverythingAsItWas) {
    test::TemporaryDirectory directory;
    const Bytes png = test::encoded(test::gradient(40, 30), ConvertFormat::png);
    EditorModel model;
    model.loadFile(writeFile(directory / "photo.png", png));
    ASSERT_TRUE(test::waitForLoad(model));
    const auto original = model.original();
    const auto preview = model.originalPreview();
    const Busy busy;
    busy.apply(model);

    const std::string text = "Just some notes, nothing to see.\n";
    const std::vector<fs::path> failures{
        writeFile(directory / "notes.txt", Bytes(text.begin(), text.end())),
        writeFile(directory / "notes.jpg", Bytes(text.begin(), text.end())),
        writeFile(directory / "broken.dng", Bytes(text.begin(), text.end())),
        writeFile(directory / "empty.png", {}),
        directory / "missing.png",
        directory.path(),
    };
    for (const auto& path : failures) {
        SCOPED_TRACE(path.string());
        model.setErrorMessage(std::nullopt);
        QSignalSpy inputSignals(&model, &EditorModel::sourceInputChanged);
        model.loadFile(path);
        ASSERT_TRUE(test::waitForLoad(model));
        EXPECT_EQ(model.errorMessage(), unreadable);
        EXPECT_EQ(inputSignals.count(), 0);
        EXPECT_EQ(model.original(), original);
        EXPECT_EQ(model.originalPreview(), preview);
        EXPECT_EQ(*bytesInput(model).data, png);
        EXPECT_EQ(model.sourceName(), "photo");
        EXPECT_EQ(model.result(), busy.result);
        EXPECT_TRUE(model.convertedData());
        EXPECT_TRUE(model.isPreparingExport());
        EXPECT_EQ(model.job(), busy.job);
        EXPECT_FALSE(busy.job.isCancelled());
        EXPECT_EQ(model.progress(), 0.25);
    }
}

TEST(EditorIntake, LoadingBytesNamesThemAndTakesTheTypeFromTheContent) {
    const auto jpeg =
        std::make_shared<const Bytes>(test::encoded(test::gradient(20, 10), ConvertFormat::jpeg));
    EditorModel model;
    model.setSourceName("earlier");
    model.loadData(jpeg);
    ASSERT_TRUE(test::waitForLoad(model));
    EXPECT_EQ(model.sourceName(), "photo");
    EXPECT_EQ(bytesInput(model).data, jpeg);
    EXPECT_EQ(bytesInput(model).typeHint, "public.jpeg");
    ASSERT_TRUE(model.original());
    EXPECT_EQ(model.original()->width(), 20);

    model.loadData(jpeg, "library shot");
    ASSERT_TRUE(test::waitForLoad(model));
    EXPECT_EQ(model.sourceName(), "library shot");
    model.loadData(jpeg, QString());
    ASSERT_TRUE(test::waitForLoad(model));
    EXPECT_EQ(model.sourceName(), "photo");

    const auto original = model.original();
    model.loadData(std::make_shared<const Bytes>(Bytes{'n', 'o', 'p', 'e'}), "junk");
    ASSERT_TRUE(test::waitForLoad(model));
    EXPECT_EQ(model.errorMessage(), unreadable);
    EXPECT_EQ(model.original(), original);
    EXPECT_EQ(model.sourceName(), "photo");
}

TEST(EditorIntake, SettingASourceDirectlyLeavesItWithoutFileBytes) {
    EditorModel model;
    model.loadData(std::make_shared<const Bytes>(test::encoded(test::gradient(20, 10), ConvertFormat::png)),
                   "first");
    ASSERT_TRUE(test::waitForLoad(model));
    const Busy busy;
    busy.apply(model);
    const Bitmap image = test::gradient(4200, 100);
    QSignalSpy nameSignals(&model, &EditorModel::sourceNameChanged);

    model.setSource(image, "second");
    ASSERT_TRUE(test::waitForLoad(model));
    EXPECT_EQ(model.original(), image);
    ASSERT_TRUE(model.originalPreview());
    EXPECT_EQ(model.originalPreview()->width(), 4096);
    EXPECT_EQ(model.sourceName(), "second");
    EXPECT_FALSE(model.sourceInput());
    expectNoResult(model);
    EXPECT_FALSE(model.job());
    EXPECT_TRUE(busy.job.isCancelled());
    EXPECT_EQ(nameSignals.count(), 1);

    model.setSource(image);
    ASSERT_TRUE(test::waitForLoad(model));
    EXPECT_EQ(model.sourceName(), "photo");
}

TEST(EditorIntake, ClearingCancellingAndClearingTheResultEachTouchOnlyTheirPart) {
    EditorModel model;
    model.loadData(std::make_shared<const Bytes>(test::encoded(test::gradient(20, 10), ConvertFormat::png)),
                   "kept");
    ASSERT_TRUE(test::waitForLoad(model));
    const auto original = model.original();

    Busy busy;
    busy.apply(model);
    model.setErrorMessage("Shown");
    model.cancelJob();
    EXPECT_TRUE(busy.job.isCancelled());
    EXPECT_FALSE(model.job());
    EXPECT_FALSE(model.progress());
    EXPECT_FALSE(model.status());
    EXPECT_EQ(model.result(), busy.result);
    EXPECT_TRUE(model.exportURL());
    EXPECT_FALSE(busy.exportJob.isCancelled());
    EXPECT_EQ(model.errorMessage(), "Shown");

    busy = Busy{};
    busy.apply(model);
    model.clearResult();
    expectNoResult(model);
    EXPECT_TRUE(busy.exportJob.isCancelled());
    EXPECT_EQ(model.exportJob(), busy.exportJob);
    EXPECT_EQ(model.job(), busy.job);
    EXPECT_EQ(model.progress(), 0.25);
    EXPECT_EQ(model.original(), original);
    EXPECT_TRUE(model.sourceInput());

    busy = Busy{};
    busy.apply(model);
    model.clearSource();
    EXPECT_FALSE(model.original());
    EXPECT_FALSE(model.originalPreview());
    EXPECT_FALSE(model.sourceInput());
    expectNoResult(model);
    EXPECT_FALSE(model.job());
    EXPECT_FALSE(model.progress());
    EXPECT_TRUE(busy.job.isCancelled());
    EXPECT_EQ(model.sourceName(), "kept");
    EXPECT_FALSE(model.sourceSummary());
}

TEST(EditorIntake, AResultBecomesTheSourceWithItsOwnBytesOnlyAfterAConversion) {
    EditorModel model;
    model.loadData(std::make_shared<const Bytes>(test::encoded(test::gradient(20, 10), ConvertFormat::png)),
                   "beach");
    ASSERT_TRUE(test::waitForLoad(model));
    model.setTool(Tool::convert);

    {
        QSignalSpy originalSignals(&model, &EditorModel::originalChanged);
        QSignalSpy inputSignals(&model, &EditorModel::sourceInputChanged);
        model.useResultAsSource();
        ASSERT_TRUE(test::waitForLoad(model));
        EXPECT_EQ(originalSignals.count(), 0);
        EXPECT_EQ(inputSignals.count(), 0);
    }

    // A conversion to WebP: its bytes become the convert tool's input.
    const auto webp =
        std::make_shared<const Bytes>(test::encoded(test::gradient(20, 10), ConvertFormat::webp));
    const Bitmap converted = test::gradient(20, 10);
    const Bitmap convertedPreview = test::gradient(20, 10);
    model.setResult(converted);
    model.setResultPreview(convertedPreview);
    model.setConvertedData(ConvertedFile{webp, "webp"});
    model.useResultAsSource();
    ASSERT_TRUE(test::waitForLoad(model));
    EXPECT_EQ(model.original(), converted);
    EXPECT_EQ(model.originalPreview(), convertedPreview);
    EXPECT_EQ(bytesInput(model).data, webp);
    EXPECT_EQ(bytesInput(model).typeHint, "org.webmproject.webp");
    expectNoResult(model);
    EXPECT_EQ(model.sourceName(), "beach");
    EXPECT_EQ(model.tool(), Tool::convert);
    EXPECT_EQ(model.sourceSummary(),
              "WEBP · " + byteCountText(static_cast<std::int64_t>(webp->size())) + " · 20 × 10");

    // An enlargement without a preview of its own: the source is a bare image with a new preview.
    const Bitmap enlarged = test::gradient(8192, 2048);
    model.setResult(enlarged);
    model.useResultAsSource();
    ASSERT_TRUE(test::waitForLoad(model));
    EXPECT_EQ(model.original(), enlarged);
    ASSERT_TRUE(model.originalPreview());
    EXPECT_EQ(model.originalPreview()->width(), 4096);
    EXPECT_EQ(model.originalPreview()->height(), 1024);
    EXPECT_FALSE(model.sourceInput());
    EXPECT_FALSE(model.result());
    EXPECT_EQ(model.sourceSummary(), QString::fromUtf8("8192 \u00D7 2048"));
}

TEST(EditorIntake, TheSummaryNamesTypeSizeAndPixels) {
    EditorModel model;
    EXPECT_FALSE(model.sourceSummary());

    const auto jpeg =
        std::make_shared<const Bytes>(test::encoded(test::gradient(403, 302), ConvertFormat::jpeg));
    model.loadData(jpeg);
    ASSERT_TRUE(test::waitForLoad(model));
    EXPECT_EQ(model.sourceSummary(), QString::fromUtf8("JPEG \u00B7 ") +
                                         byteCountText(static_cast<std::int64_t>(jpeg->size())) +
                                         QString::fromUtf8(" \u00B7 403 \u00D7 302"));

    // Bytes of no known type still tell their size.
    model.setSourceInput(
        ConvertInputData{std::make_shared<const Bytes>(Bytes(1500, 0)), "com.example.unknown"});
    EXPECT_EQ(model.sourceSummary(), "2 KB · 403 × 302");
    model.setSourceInput(ConvertInputData{std::make_shared<const Bytes>(Bytes(10, 0)), std::nullopt});
    EXPECT_EQ(model.sourceSummary(), "10 bytes · 403 × 302");
    model.setSourceInput(
        ConvertInputData{std::make_shared<const Bytes>(Bytes(10, 0)), "public.camera-raw-image"});
    EXPECT_EQ(model.sourceSummary(), "camera raw image · 10 bytes · 403 × 302");
}

TEST(EditorIntake, ByteCountsReadLikeFileSizes) {
    EXPECT_EQ(byteCountText(0), "Zero KB");
    EXPECT_EQ(byteCountText(1), "1 byte");
    EXPECT_EQ(byteCountText(999), "999 bytes");
    EXPECT_EQ(byteCountText(1000), "1 KB");
    EXPECT_EQ(byteCountText(482'300), "482 KB");
    EXPECT_EQ(byteCountText(999'499), "999 KB");
    EXPECT_EQ(byteCountText(999'999), "1 MB");
    EXPECT_EQ(byteCountText(1'234'567), "1.2 MB");
    EXPECT_EQ(byteCountText(2'000'000), "2 MB");
    EXPECT_EQ(byteCountText(3'050'000'000), "3.05 GB");
    EXPECT_EQ(byteCountText(7'000'000'000'000), "7 TB");
}

TEST(EditorIntake, LoadsRunOffTheCallerAndTheLatestWins) {
    const auto first =
        std::make_shared<const Bytes>(test::encoded(test::gradient(900, 600), ConvertFormat::jpeg));
    const auto second =
        std::make_shared<const Bytes>(test::encoded(test::gradient(30, 20), ConvertFormat::png));
    EditorModel model;
    QSignalSpy loading(&model, &EditorModel::isLoadingChanged);
    QSignalSpy canRun(&model, &EditorModel::canRunChanged);

    model.loadData(first, "first");
    // Nothing is decoded in the call itself.
    EXPECT_TRUE(model.isLoading());
    EXPECT_FALSE(model.original());
    EXPECT_FALSE(model.canRun());
    model.loadData(std::make_shared<const Bytes>(Bytes{'n', 'o'}), "junk");
    model.loadData(second, "second");
    ASSERT_TRUE(test::waitForLoad(model));
    finishAllWork();
    // The earlier loads, however late they end, change nothing, and the failed one says nothing.
    EXPECT_EQ(model.sourceName(), "second");
    EXPECT_EQ(bytesInput(model).data, second);
    EXPECT_FALSE(model.errorMessage());
    EXPECT_TRUE(model.canRun());
    EXPECT_EQ(loading.count(), 2);
    EXPECT_GE(canRun.count(), 1);

    // A photo set or removed meanwhile takes over from a load still under way.
    model.loadData(first, "first");
    const Bitmap chosen = test::gradient(12, 8);
    model.setSource(chosen, "chosen");
    EXPECT_FALSE(model.isLoading());
    model.loadData(first, "first");
    model.clearSource();
    EXPECT_FALSE(model.isLoading());
    finishAllWork();
    EXPECT_FALSE(model.isLoading());
    EXPECT_FALSE(model.original());
    EXPECT_EQ(model.sourceName(), "chosen");
}

TEST(EditorIntake, ALargeSourceIsShownOnceItsPreviewIsMade) {
    EditorModel model;
    const Bitmap image = test::gradient(4200, 100);
    model.setSource(image);
    EXPECT_EQ(model.original(), image);
    EXPECT_TRUE(model.isLoading());
    EXPECT_FALSE(model.canRun());
    ASSERT_TRUE(test::waitForLoad(model));
    ASSERT_TRUE(model.originalPreview());
    EXPECT_EQ(model.originalPreview()->width(), 4096);
    EXPECT_TRUE(model.canRun());
}
