#include "editor/BatchConversion.h"
#include "editor/EditorModel.h"
#include "tests/editor/BatchGate.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"
#include "tests/ui/support/WindowTestSupport.h"
#include "ui/controls/ActionButton.h"
#include "ui/desktop/FileManager.h"
#include "ui/sheets/BatchView.h"

#include <QLabel>
#include <QThreadPool>
#include <fstream>

namespace orvane {
namespace {

namespace fs = std::filesystem;

BatchState batchOf(int count) {
    std::vector<BatchState::Item> items;
    for (int i = 1; i <= count; ++i) {
        items.push_back({QStringLiteral("p%1").arg(i), BatchState::FileSource{}, {}});
    }
    return BatchState::fresh(std::move(items), "/out");
}

TEST(BatchView, TitlesAndTheFailedLine) {
    BatchState batch = batchOf(7);
    EXPECT_EQ(BatchView::title(batch), "Converting 7 files…");
    batch.outputs = {"/out/a.jpg", "/out/b.jpg", "/out/c.jpg", "/out/d.jpg", "/out/e.jpg"};
    batch.failed = {"x", "y"};
    batch.finished = true;
    EXPECT_EQ(BatchView::title(batch), "Converted 5 of 7");

    EXPECT_EQ(BatchView::failedLine({"a", "b", "c", "d", "e"}), "Couldn't convert: a, b, c, d, e");
    EXPECT_EQ(BatchView::failedLine({"a", "b", "c", "d", "e", "f", "g", "h"}),
              "Couldn't convert: a, b, c, d, e…");

    ConvertOptions options;
    options.format = ConvertFormat::webp;
    EXPECT_EQ(BatchView::subtitle(options), "to WebP");
    options.maxKB = 300;
    EXPECT_EQ(BatchView::subtitle(options), "to WebP · under 300 KB");

    EXPECT_EQ(FileManager::revealTargets({}, fs::path("/out")), std::vector<fs::path>{"/out"});
    EXPECT_EQ(FileManager::revealTargets({"/out/a.jpg"}, fs::path("/out")),
              std::vector<fs::path>{"/out/a.jpg"});
    EXPECT_TRUE(FileManager::revealTargets({}, std::nullopt).empty());
}

// Starts a batch on the model as the model itself does, with each file's work held at the gate.
void startGatedBatch(EditorModel& model, std::vector<BatchState::Item> items, const fs::path& out,
                     test::BatchGate& gate) {
    model.setBatch(BatchState::fresh(items, out));
    model.setBatchJob(BatchConversion::start(
        std::move(items), gate.around(model.convert(), out), &model,
        [&model](const TaskHandle& run, const BatchConversion::ItemResult& result) {
            if (run == model.batchJob()) {
                model.modifyBatch([&](BatchState& state) { BatchConversion::record(state, result); });
            }
        },
        [&model](const TaskHandle& run) {
            if (run == model.batchJob()) {
                model.modifyBatch([](BatchState& state) { state.finished = true; });
            }
        }));
}

TEST(BatchView, StopDuringTheThirdOfTenFilesFinishesAtOnceAndCountsThatFile) {
    test::TemporaryDirectory folder;
    std::vector<fs::path> files;
    fs::create_directory(folder / "in");
    for (int i = 1; i <= 10; ++i) {
        files.push_back(test::writePhoto(folder / "in" / ("p" + std::to_string(i) + ".jpg"), 64, 48));
    }
    // One file that is no image, to show the failed line.
    std::ofstream(folder / "in" / "p2.jpg") << "not a photo";
    EditorModel model;
    BatchView sheet(model, [](const QString&) {});
    sheet.show();
    test::BatchGate gate(2);
    startGatedBatch(model, EditorModel::collectBatchItems(files), folder / "out", gate);
    auto* title = test::child<QLabel>(sheet, "batchTitle");
    EXPECT_EQ(title->text(), "Converting 10 files…");
    // One fixed size, running or finished, whatever lines it shows.
    EXPECT_EQ(BatchView::sheetSize, QSize(440, 300));
    EXPECT_EQ(sheet.size(), BatchView::sheetSize);
    EXPECT_FALSE(test::isShown(test::child(sheet, "batchBytes")));
    ASSERT_TRUE(test::waitFor([&] { return gate.entered.load(); }));
    EXPECT_TRUE(test::isShown(test::child(sheet, "batchBytes")));
    EXPECT_EQ(sheet.size(), BatchView::sheetSize);
    EXPECT_EQ(test::child<QLabel>(sheet, "batchFailed")->text(), "Couldn't convert: p2");
    // Escape does not close a running batch.
    sheet.reject();
    EXPECT_TRUE(sheet.isVisible());

    test::child<ActionButton>(sheet, "stopButton")->click();
    EXPECT_TRUE(model.batch()->finished);
    EXPECT_EQ(title->text(), "Converted 1 of 10");
    EXPECT_TRUE(test::isShown(test::child(sheet, "doneButton")));
    EXPECT_TRUE(test::isShown(test::child(sheet, "showInFolderButton")));
    EXPECT_FALSE(test::isShown(test::child(sheet, "stopButton")));

    gate.release.release();
    ASSERT_TRUE(test::waitFor([&] { return model.batch()->done == 3; }));
    ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(60'000));
    QCoreApplication::processEvents();
    EXPECT_EQ(title->text(), "Converted 2 of 10");
    EXPECT_TRUE(test::isShown(test::child(sheet, "batchFailed")));
    EXPECT_EQ(sheet.size(), BatchView::sheetSize);
    EXPECT_EQ(model.batch()->done, 3);
    EXPECT_TRUE(fs::exists(folder / "out" / "p3.jpg"));
    EXPECT_FALSE(fs::exists(folder / "out" / "p4.jpg"));

    test::child<ActionButton>(sheet, "doneButton")->click();
    EXPECT_FALSE(model.batch().has_value());
}

TEST(BatchView, AFolderThatTakesNoFileIsSaidOnceAndEveryPhotoIsListed) {
    test::TemporaryDirectory folder;
    std::vector<fs::path> files;
    fs::create_directory(folder / "in");
    for (int i = 1; i <= 3; ++i) {
        files.push_back(test::writePhoto(folder / "in" / ("p" + std::to_string(i) + ".jpg"), 64, 48));
    }
    std::ofstream(folder / "in" / "p4.jpg") << "not a photo";
    files.push_back(folder / "in" / "p4.jpg");
    EditorModel model;
    BatchView sheet(model, [](const QString&) {});
    sheet.show();
    // Nothing can be made in /proc.
    model.startBatch(EditorModel::collectBatchItems(files), "/proc/orvane-nowhere");
    ASSERT_TRUE(test::waitFor([&] { return model.batch() && model.batch()->finished; }));
    EXPECT_EQ(test::child<QLabel>(sheet, "batchTitle")->text(), "Converted 0 of 4");
    EXPECT_TRUE(test::isShown(test::child(sheet, "batchFolderProblem")));
    EXPECT_EQ(test::child<QLabel>(sheet, "batchFolderProblem")->text(),
              "Couldn't save to “/proc/orvane-nowhere”: the folder doesn't exist.");
    EXPECT_EQ(test::child<QLabel>(sheet, "batchFailed")->text(), "Couldn't convert: p1, p2, p3, p4");
    EXPECT_EQ(sheet.size(), BatchView::sheetSize);
    model.cancelBatch();
    EXPECT_FALSE(test::isShown(test::child(sheet, "batchFolderProblem")));
}

} // namespace
} // namespace orvane
