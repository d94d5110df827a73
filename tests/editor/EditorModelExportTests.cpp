#include "core/ImageFiles.h"
#include "core/convert/Converter.h"
#include "editor/EditorModel.h"
#include "editor/ExportFiles.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>
#include <QUuid>
#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

constexpr int waitLimit = 60'000;

ResultInfo info(QString label, bool hasAlpha = false, std::optional<int> dpi = std::nullopt) {
    return ResultInfo{
        .width = 40, .height = 30, .seconds = 1, .hasAlpha = hasAlpha, .dpi = dpi, .label = std::move(label)};
}

// The export folder is shared by every test run of this user, so each test names its photo
// uniquely.
QString uniqueName(const QString& stem) {
    return stem + QStringLiteral("-") + QUuid::createUuid().toString(QUuid::Id128);
}

// A model holding a finished image result, as a run leaves it just before the export.
void giveResult(EditorModel& model, const QString& name, const ResultInfo& resultInfo,
                const Bitmap& image = test::gradient(40, 30)) {
    model.setSourceName(name);
    model.setResult(image);
    model.setResultInfo(resultInfo);
}

bool waitForExport(EditorModel& model) {
    return QTest::qWaitFor([&] { return !model.isPreparingExport() && model.exportURL().has_value(); },
                           waitLimit);
}

// Every file in this run's export folder whose name begins with `name`.
std::vector<fs::path> exportsNamed(const QString& name) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(ExportFiles::exportFolder())) {
        if (entry.is_regular_file() && entry.path().filename().string().starts_with(name.toStdString())) {
            files.push_back(entry.path());
        }
    }
    return files;
}

std::vector<std::uint8_t> fileBytes(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

} // namespace

TEST(ExportFiles, NamesCarryTheToolWordAndTheFormatsExtension) {
    EXPECT_EQ(ExportFiles::imageFileName("beach", info("4×"), ExportFormat::png), "beach-4x.png");
    EXPECT_EQ(ExportFiles::imageFileName("report.final", info("Enhanced"), ExportFormat::heic),
              "report.final-enhanced.heic");
    EXPECT_EQ(ExportFiles::imageFileName("beach", info("2.82843×"), ExportFormat::jpeg),
              "beach-2.82843x.jpg");
    EXPECT_EQ(ExportFiles::imageFileName("beach", info("Background removed"), ExportFormat::jpeg),
              "beach-cutout.jpg");
    EXPECT_EQ(ExportFiles::imageFileName("beach", info("A4 · 300 dpi"), ExportFormat::jpeg),
              "beach-enlarged.jpg");
    EXPECT_EQ(ExportFiles::imageFileName("beach", std::nullopt, ExportFormat::png), "beach-enlarged.png");
    EXPECT_EQ(ExportFiles::convertedFileName("beach", "webp"), "beach.webp");
    // A name from outside never leads out of the export folder.
    EXPECT_EQ(ExportFiles::convertedFileName("../../.bashrc", "jpg"), "..-..-.bashrc.jpg");
    EXPECT_EQ(ExportFiles::imageFileName("..", std::nullopt, ExportFormat::png), "photo-enlarged.png");
}

TEST(ExportFiles, LongNamesGiveUpTheEndOfThePhotosName) {
    const QString longName(250, QLatin1Char('a'));
    const QString image = ExportFiles::imageFileName(longName, info("4×"), ExportFormat::png);
    EXPECT_EQ(image.toStdString().size(), 255u);
    EXPECT_TRUE(image.endsWith("a-4x.png"));
    EXPECT_EQ(ExportFiles::convertedFileName(longName, "webp"), longName.left(250) + ".webp");
    EXPECT_EQ(ExportFiles::convertedFileName(longName + "bbbbb", "webp"), longName + ".webp");
}

TEST(ExportFiles, TheExportFolderIsThisRunsOwnAndPrivateToTheUser) {
    const fs::path folder = ExportFiles::exportFolder();
    EXPECT_EQ(folder.parent_path().filename(), "export");
    EXPECT_TRUE(folder.filename().string().starts_with("run-"));
    for (const fs::path& path : {folder, folder.parent_path(), folder.parent_path().parent_path()}) {
        struct stat status {};
        ASSERT_EQ(::lstat(path.c_str(), &status), 0);
        EXPECT_TRUE(S_ISDIR(status.st_mode));
        EXPECT_EQ(status.st_uid, ::getuid());
        EXPECT_EQ(status.st_mode & 0777, 0700u);
    }
}

TEST(EditorModelExport, WritesTheResultAndPublishesItsURL) {
    EditorModel model;
    const QString name = uniqueName("beach");
    giveResult(model, name, info("4×"));
    QSignalSpy preparing(&model, &EditorModel::isPreparingExportChanged);
    model.setFormat(ExportFormat::png);
    EXPECT_TRUE(model.isPreparingExport());
    EXPECT_FALSE(model.exportURL().has_value());
    ASSERT_TRUE(waitForExport(model));
    EXPECT_EQ(model.exportURL()->filename(), (name + "-4x.png").toStdString());
    EXPECT_EQ(model.exportURL()->parent_path().parent_path(), ExportFiles::exportFolder());
    EXPECT_EQ(preparing.count(), 2);
    const Bitmap written = ImageFiles::loadFromURL(*model.exportURL());
    EXPECT_EQ(written.width(), 40);
    EXPECT_FALSE(model.errorMessage().has_value());
    fs::remove(*model.exportURL());
}

TEST(EditorModelExport, ATransparentResultSwitchesAJpegExportToPng) {
    EditorModel model;
    const QString name = uniqueName("cut");
    giveResult(model, name, info("Background removed", true),
               test::gradient(40, 30, AlphaInfo::premultipliedLast));
    ASSERT_EQ(model.format(), ExportFormat::jpeg);
    QSignalSpy formatSpy(&model, &EditorModel::formatChanged);
    model.exportImageResult();
    EXPECT_EQ(model.format(), ExportFormat::png);
    EXPECT_EQ(formatSpy.count(), 1);
    ASSERT_TRUE(waitForExport(model));
    EXPECT_EQ(model.exportURL()->filename(), (name + "-cutout.png").toStdString());
    fs::remove(*model.exportURL());
}

TEST(EditorModelExport, AnOpaqueResultKeepsTheJpegFormat) {
    EditorModel model;
    const QString name = uniqueName("plain");
    giveResult(model, name, info("Enhanced"));
    QSignalSpy formatSpy(&model, &EditorModel::formatChanged);
    model.exportImageResult();
    EXPECT_EQ(formatSpy.count(), 0);
    ASSERT_TRUE(waitForExport(model));
    EXPECT_EQ(model.exportURL()->filename(), (name + "-enhanced.jpg").toStdString());
    fs::remove(*model.exportURL());
}

TEST(EditorModelExport, AFormatChangeRepreparesAndOnlyTheLatestIsPublished) {
    EditorModel model;
    const QString name = uniqueName("beach");
    giveResult(model, name, info("4×"));
    model.prepareExport();
    ASSERT_TRUE(waitForExport(model));
    const fs::path jpeg = *model.exportURL();
    EXPECT_EQ(jpeg.filename(), (name + "-4x.jpg").toStdString());
    const auto written = fileBytes(jpeg);

    QSignalSpy urls(&model, &EditorModel::exportURLChanged);
    model.setFormat(ExportFormat::heic);
    const auto superseded = model.exportJob();
    model.setFormat(ExportFormat::png);
    ASSERT_TRUE(superseded.has_value());
    EXPECT_TRUE(superseded->isCancelled());
    EXPECT_FALSE(model.exportURL().has_value());
    EXPECT_TRUE(model.isPreparingExport());
    ASSERT_TRUE(waitForExport(model));
    EXPECT_EQ(model.exportURL()->filename(), (name + "-4x.png").toStdString());
    // Wait for the superseded write as well, and check it published nothing.
    ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(waitLimit));
    QCoreApplication::processEvents();
    EXPECT_EQ(model.exportURL()->filename(), (name + "-4x.png").toStdString());
    // Cleared when the first change was made, then set once by the last export.
    EXPECT_EQ(urls.count(), 2);
    // The replaced export stays, as something may be reading it; the superseded one, never
    // published, is gone.
    EXPECT_EQ(fileBytes(jpeg), written);
    auto left = exportsNamed(name);
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<fs::path>{jpeg, *model.exportURL()}));
    model.clearResult();
}

TEST(EditorModelExport, SettingTheSameFormatDoesNothing) {
    EditorModel model;
    giveResult(model, uniqueName("same"), info("4×"));
    QSignalSpy jobs(&model, &EditorModel::exportJobChanged);
    model.setFormat(model.format());
    EXPECT_EQ(jobs.count(), 0);
    EXPECT_FALSE(model.isPreparingExport());
}

TEST(EditorModelExport, AResultWithoutInfoIsNeverExported) {
    EditorModel model;
    model.setResult(test::gradient(10, 10));
    model.prepareExport();
    EXPECT_FALSE(model.isPreparingExport());
    EXPECT_FALSE(model.exportURL().has_value());
    EXPECT_FALSE(model.exportJob().has_value());
}

TEST(EditorModelExport, AConvertResultIsWrittenAsItIsAndNeverReencoded) {
    EditorModel model;
    const QString name = uniqueName("beach");
    model.setSourceName(name);
    const Bytes source = test::encoded(test::gradient(40, 30), ConvertFormat::png);
    ConvertOptions options;
    options.format = ConvertFormat::webp;
    const ConvertResult converted =
        Converter::convert(ConvertInputData{std::make_shared<const Bytes>(source), "public.png"}, options);
    model.setResult(test::gradient(40, 30));
    model.setResultInfo(info("WebP"));
    model.setConvertedData(ConvertedFile{std::make_shared<const Bytes>(converted.data), "webp"});
    model.exportConverted(converted, "webp", false);
    ASSERT_TRUE(waitForExport(model));
    ASSERT_TRUE(model.exportURL().has_value());
    EXPECT_EQ(model.exportURL()->filename(), (name + ".webp").toStdString());
    EXPECT_EQ(fileBytes(*model.exportURL()), converted.data);

    // Same name again: replaced.
    model.exportConverted(converted, "webp", false);
    ASSERT_TRUE(waitForExport(model));
    EXPECT_EQ(fileBytes(*model.exportURL()), converted.data);

    QSignalSpy jobs(&model, &EditorModel::exportJobChanged);
    model.setFormat(ExportFormat::png);
    EXPECT_EQ(jobs.count(), 0);
    EXPECT_TRUE(model.exportURL().has_value());
    fs::remove(*model.exportURL());
}

TEST(EditorModelExport, ASourceWithoutBytesIsEncodedAsPngForConversion) {
    const Bitmap image = test::gradient(24, 16);
    const ConvertInput input = EditorModel::conversionInput(std::nullopt, image);
    const auto* data = std::get_if<ConvertInputData>(&input);
    ASSERT_NE(data, nullptr);
    EXPECT_FALSE(data->typeHint.has_value());
    ASSERT_TRUE(data->data);
    const std::array<std::uint8_t, 8> pngSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    ASSERT_GE(data->data->size(), pngSignature.size());
    EXPECT_TRUE(std::equal(pngSignature.begin(), pngSignature.end(), data->data->begin()));
    const Bitmap decoded = ImageFiles::loadFromData(data->data);
    EXPECT_EQ(decoded.width(), 24);
    EXPECT_LE(test::maxChannelDifference(decoded, image), 1);

    ConvertOptions options;
    options.format = ConvertFormat::jpeg;
    const ConvertResult converted = Converter::convert(input, options);
    EXPECT_EQ(converted.width, 24);

    const ConvertInput own = ConvertInputData{std::make_shared<const Bytes>(Bytes{1, 2, 3}), "public.png"};
    EXPECT_EQ(EditorModel::conversionInput(own, image), own);
}

// An enlargement wider than a HEIC file may be here is refused with the reason, and no file is
// prepared.
TEST(EditorModelExport, AResultTooLargeForHeicIsRefusedWithItsLargestSize) {
    EditorModel model;
    const QString name = uniqueName("panorama");
    giveResult(model, name, info("8×"), test::gradient(17000, 40));
    model.setFormat(ExportFormat::heic);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isPreparingExport(); }, waitLimit));
    EXPECT_FALSE(model.exportURL().has_value());
    EXPECT_EQ(model.errorMessage(),
              QStringLiteral("Couldn't prepare the file: This image is too large to save as "
                             "HEIC: the largest HEIC here is 16384 × 16384 pixels."));
    EXPECT_TRUE(exportsNamed(name).empty());
}

TEST(EditorModelExport, APhotoWithALongNameIsExported) {
    EditorModel model;
    const QString name = uniqueName(QString(250, QLatin1Char('l')));
    giveResult(model, name, info("Enhanced"));
    model.exportImageResult();
    ASSERT_TRUE(waitForExport(model));
    EXPECT_EQ(model.exportURL()->filename().string().size(), 255u);
    EXPECT_TRUE(model.exportURL()->filename().string().ends_with("l-enhanced.jpg"));
    EXPECT_FALSE(model.errorMessage().has_value());
    model.clearResult();
}

// "Copy" puts only a file's address on the clipboard, and "Open With…" hands the file to another
// program: an export stays readable for as long as its run goes on, whatever the editor does next.
TEST(EditorModelExport, AnExportStaysWhenItIsReplacedOrItsResultCleared) {
    EditorModel model;
    const QString name = uniqueName("big");
    giveResult(model, name, info("8×"));
    model.prepareExport();
    ASSERT_TRUE(waitForExport(model));
    const fs::path jpeg = *model.exportURL();
    const auto jpegBytes = fileBytes(jpeg);
    model.setFormat(ExportFormat::png);
    ASSERT_TRUE(waitForExport(model));
    const fs::path png = *model.exportURL();
    model.clearResult();
    EXPECT_FALSE(model.exportURL().has_value());
    EXPECT_EQ(fileBytes(jpeg), jpegBytes);
    EXPECT_EQ(ImageFiles::loadFromURL(png).width(), 40);

    // A convert result written again under the same name leaves the first file as it was.
    const Bytes source = test::encoded(test::gradient(40, 30), ConvertFormat::png);
    const ConvertResult converted =
        Converter::convert(ConvertInputData{std::make_shared<const Bytes>(source), "public.png"}, {});
    model.setSourceName(name);
    model.exportConverted(converted, "jpg", false);
    ASSERT_TRUE(waitForExport(model));
    const fs::path first = *model.exportURL();
    const auto firstBytes = fileBytes(first);
    model.exportConverted(converted, "jpg", false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.exportURL() != first && model.exportURL(); }, waitLimit));
    EXPECT_EQ(model.exportURL()->filename(), first.filename());
    EXPECT_EQ(fileBytes(first), firstBytes);
    EXPECT_EQ(exportsNamed(name).size(), 4u);
    model.clearResult();
    EXPECT_EQ(exportsNamed(name).size(), 4u);
}

// What a run exported stays after it ends, until the next run makes its own export folder.
TEST(EditorModelExport, TheNextRunRemovesWhatAnEndedRunExported) {
    test::TemporaryDirectory folder;
    fs::create_directories(folder / "home");
    const std::vector<std::string> environment{"TMPDIR=" + folder.path().string(),
                                               "HOME=" + (folder / "home").string()};
    const auto exportsOf = [](const test::ProgramOutput& run) {
        std::vector<fs::path> files;
        std::istringstream lines(run.out);
        for (std::string line; std::getline(lines, line);) {
            files.emplace_back(line);
        }
        return files;
    };
    const test::ProgramOutput first = test::runProgramCapturing(ORVANE_EXPORT_RUN, {}, environment);
    ASSERT_EQ(first.status, 0) << first.err;
    const auto ended = exportsOf(first);
    ASSERT_EQ(ended.size(), 2u);
    for (const fs::path& file : ended) {
        EXPECT_TRUE(file.string().starts_with(folder.path().string())) << file;
        EXPECT_TRUE(fs::is_regular_file(file)) << file;
    }

    const test::ProgramOutput next = test::runProgramCapturing(ORVANE_EXPORT_RUN, {}, environment);
    ASSERT_EQ(next.status, 0) << next.err;
    const auto current = exportsOf(next);
    ASSERT_EQ(current.size(), 2u);
    const fs::path endedRun = ended.front().parent_path().parent_path();
    EXPECT_FALSE(fs::exists(endedRun));
    EXPECT_NE(current.front().parent_path().parent_path(), endedRun);
    EXPECT_EQ(endedRun.parent_path(), current.front().parent_path().parent_path().parent_path());
}

TEST(EditorModelExport, AFileThatIsNoPreparedExportIsNeverRemoved) {
    test::TemporaryDirectory folder;
    const fs::path mine = folder / "photo.jpg";
    std::ofstream(mine) << "mine";
    EditorModel model;
    model.setExportURL(mine);
    model.clearResult();
    EXPECT_TRUE(fs::exists(mine));
}
