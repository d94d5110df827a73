#include "editor/EditorModel.h"
#include "tests/editor/WaitForLoad.h"
#include "tests/support/FolderContents.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>
#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

constexpr int waitLimit = 60'000;

void writeFile(const fs::path& path, const Bytes& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream stream(path, std::ios::binary);
    stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool waitUntilFinished(const EditorModel& model) {
    return QTest::qWaitFor([&] { return model.batch() && model.batch()->finished; }, waitLimit);
}

} // namespace

TEST(EditorModelBatch, ConvertsAFolderAndNumbersClashesOnARerun) {
    test::TemporaryDirectory temporary;
    const fs::path trip = temporary / "Trip";
    writeFile(trip / "a.png", test::encoded(test::gradient(20, 16), ConvertFormat::png));
    writeFile(trip / "a.webp", test::encoded(test::gradient(20, 16), ConvertFormat::webp));
    const fs::path out = temporary / "Out";
    fs::create_directories(out);

    EditorModel model;
    const auto items = EditorModel::collectBatchItems({trip});
    ASSERT_EQ(items.size(), 2u);
    std::optional<std::size_t> asked;
    QObject::connect(&model, &EditorModel::batchFolderRequested, [&](std::size_t count) {
        asked = count;
        model.answerBatchFolder(out);
    });
    model.beginBatch(items);
    EXPECT_EQ(asked, 2u);
    EXPECT_EQ(model.tool(), Tool::convert);
    ASSERT_TRUE(model.batchJob().has_value());
    ASSERT_TRUE(waitUntilFinished(model));
    EXPECT_EQ(model.batch()->done, 2);
    EXPECT_TRUE(model.batch()->failed.empty());
    EXPECT_EQ(test::namesIn(out / "Trip"), (std::vector<std::string>{"a 2.jpg", "a.jpg"}));

    model.startBatch(items, out);
    ASSERT_TRUE(waitUntilFinished(model));
    EXPECT_EQ(model.batch()->done, 2);
    EXPECT_EQ(model.batch()->outputs,
              (std::vector<fs::path>{out / "Trip" / "a 3.jpg", out / "Trip" / "a 4.jpg"}));
    EXPECT_EQ(test::namesIn(out / "Trip"),
              (std::vector<std::string>{"a 2.jpg", "a 3.jpg", "a 4.jpg", "a.jpg"}));
}

TEST(EditorModelBatch, ANewBatchCancelsTheOldAndIgnoresItsLateResults) {
    test::TemporaryDirectory temporary;
    std::vector<fs::path> files;
    for (int i = 0; i < 6; ++i) {
        const fs::path file = temporary / "in" / ("p" + std::to_string(i) + ".png");
        writeFile(file, test::encoded(test::gradient(64, 48), ConvertFormat::png));
        files.push_back(file);
    }
    EditorModel model;
    const auto items = EditorModel::collectBatchItems(files);
    model.startBatch(items, temporary / "first");
    const auto first = model.batchJob();
    const std::vector<BatchState::Item> two(items.begin(), items.begin() + 2);
    model.startBatch(two, temporary / "second");
    ASSERT_TRUE(first.has_value());
    EXPECT_TRUE(first->isCancelled());
    EXPECT_FALSE(model.batchJob()->isCancelled());
    ASSERT_TRUE(waitUntilFinished(model));
    // Let the old run's last report arrive too, to show that it changes nothing.
    ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(waitLimit));
    QCoreApplication::processEvents();
    EXPECT_EQ(model.batch()->done, 2);
    EXPECT_EQ(model.batch()->outputs.size(), 2u);
    EXPECT_EQ(*model.batch()->outputDir, temporary / "second");
    // The cancelled run stopped between items instead of converting all six.
    std::size_t firstWritten = 0;
    if (fs::exists(temporary / "first")) {
        firstWritten = test::namesIn(temporary / "first").size();
    }
    EXPECT_LT(firstWritten, 6u);
}

TEST(EditorModelBatch, StopFinishesAtOnceAndCancelRemovesTheBatch) {
    test::TemporaryDirectory temporary;
    std::vector<fs::path> files;
    for (int i = 0; i < 3; ++i) {
        const fs::path file = temporary / ("p" + std::to_string(i) + ".png");
        writeFile(file, test::encoded(test::gradient(32, 24), ConvertFormat::png));
        files.push_back(file);
    }
    EditorModel model;
    model.startBatch(EditorModel::collectBatchItems(files), temporary / "out");
    model.stopBatch();
    EXPECT_TRUE(model.batch()->finished);
    EXPECT_TRUE(model.batchJob()->isCancelled());
    QSignalSpy batches(&model, &EditorModel::batchChanged);
    model.cancelBatch();
    EXPECT_FALSE(model.batch().has_value());
    EXPECT_TRUE(model.batchJob().has_value());
    ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(waitLimit));
    QCoreApplication::processEvents();
    EXPECT_FALSE(model.batch().has_value());
}

TEST(EditorModelBatch, OnePhotoIsLoadedAndNoFolderStartsNothing) {
    test::TemporaryDirectory temporary;
    const fs::path one = temporary / "solo" / "beach.png";
    writeFile(one, test::encoded(test::gradient(20, 16), ConvertFormat::png));
    EditorModel model;
    model.beginBatch(EditorModel::collectBatchItems({temporary / "solo"}));
    ASSERT_TRUE(test::waitForLoad(model));
    EXPECT_EQ(model.tool(), Tool::convert);
    EXPECT_EQ(model.sourceName(), "beach");
    EXPECT_TRUE(model.original().has_value());
    EXPECT_FALSE(model.batch().has_value());

    writeFile(temporary / "two" / "b.png", test::encoded(test::gradient(20, 16), ConvertFormat::png));
    writeFile(temporary / "two" / "c.png", test::encoded(test::gradient(20, 16), ConvertFormat::png));
    QSignalSpy asked(&model, &EditorModel::batchFolderRequested);
    model.beginBatch(EditorModel::collectBatchItems({temporary / "two"}));
    ASSERT_EQ(asked.count(), 1);
    EXPECT_EQ(asked.front().front().value<std::size_t>(), 2u);
    // Nothing starts until the window answers, and a cancelled panel drops the waiting items.
    EXPECT_FALSE(model.batch().has_value());
    model.answerBatchFolder(std::nullopt);
    model.answerBatchFolder(temporary / "late");
    EXPECT_FALSE(model.batch().has_value());
    EXPECT_FALSE(model.batchJob().has_value());
    model.beginBatch({});
    EXPECT_FALSE(model.batch().has_value());
}
