#include "editor/JobGallery.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/ui/support/WindowTestSupport.h"
#include "ui/controls/ActionButton.h"
#include "ui/gallery/GalleryDetailView.h"
#include "ui/gallery/GalleryThumb.h"
#include "ui/job/ResultCard.h"
#include "ui/window/ContentView.h"

#include <QFileDialog>
#include <fstream>

namespace orvane {
namespace {

QList<QUrl> urls(std::initializer_list<std::filesystem::path> paths) {
    QList<QUrl> result;
    for (const auto& path : paths) {
        result << QUrl::fromLocalFile(QString::fromStdString(path.string()));
    }
    return result;
}

// The road a user takes through the window: drop a photo, run a job, save the result, find it in
// the gallery, start a new job from it, then convert a folder.
TEST(Window, TheWholeRoadWorks) {
    test::TemporaryDirectory folder;
    JobGallery gallery(folder / "Jobs");
    ASSERT_TRUE(test::waitUntilLoaded(gallery));
    ContentView window(&gallery);
    window.resize(ContentView::defaultSize);
    window.show();
    EditorModel& model = window.model();

    const auto photo = test::writePhoto(folder / "beach.jpg", 640, 480);
    ASSERT_TRUE(window.handleDrop(urls({photo})));
    ASSERT_TRUE(test::waitUntilLoaded(model));
    window.openJob(*JobPreset::find("to-web"));
    QTest::mouseClick(test::child<ActionButton>(window, "runButton"), Qt::LeftButton);
    ASSERT_TRUE(
        test::waitFor([&] { return model.resultInfo() && model.exportURL() && !model.isPreparingExport(); }));
    ASSERT_FALSE(model.errorMessage()) << model.errorMessage()->toStdString();

    // Save through the result card's panel.
    auto* card = test::child<ResultCard>(window, "resultCard");
    test::child<ActionButton>(*card, "saveButton")->click();
    auto* panel = test::child<QFileDialog>(*card, "savePanel");
    ASSERT_NE(panel, nullptr);
    const auto saved = folder / "saved.webp";
    emit panel->fileSelected(QString::fromStdString(saved.string()));
    EXPECT_TRUE(std::filesystem::file_size(saved) > 0);
    EXPECT_FALSE(model.errorMessage());

    // The job is in the gallery; its detail screen hands the result on to a new job.
    ASSERT_TRUE(test::waitFor([&] { return gallery.records().size() == 1; }));
    window.openGallery();
    // The home screen goes at the next turn of the event loop, with its own thumbnails.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    GalleryThumb* thumb = nullptr;
    ASSERT_TRUE(
        test::waitFor([&] { return (thumb = window.findChild<GalleryThumb*>("galleryThumb")) != nullptr; }));
    QTest::mouseClick(thumb, Qt::LeftButton);
    ASSERT_TRUE(std::holds_alternative<RecordScreen>(window.screen()));
    auto* detail = test::child<GalleryDetailView>(window, "galleryDetailView");
    ASSERT_TRUE(test::waitFor([&] { return detail->hasLoaded(); }));
    test::child<ActionButton>(*detail, "useInNewJobButton")->click();
    ASSERT_TRUE(test::waitUntilLoaded(model));
    EXPECT_TRUE(std::holds_alternative<HomeScreen>(window.screen()));
    EXPECT_TRUE(model.sourceName().startsWith("beach")) << model.sourceName().toStdString();

    // A folder converts as a batch into the folder chosen.
    std::filesystem::create_directories(folder / "trip" / "day 2");
    test::writePhoto(folder / "trip" / "a.jpg");
    test::writePhoto(folder / "trip" / "day 2" / "b.jpg");
    std::filesystem::create_directories(folder / "out");
    ASSERT_TRUE(window.handleDrop(urls({folder / "trip"})));
    auto* folderPanel = test::child<QFileDialog>(window, "batchFolderPanel");
    ASSERT_NE(folderPanel, nullptr);
    emit folderPanel->fileSelected(QString::fromStdString((folder / "out").string()));
    ASSERT_TRUE(test::waitFor([&] { return model.batch() && model.batch()->finished; }));
    EXPECT_EQ(model.batch()->done, 2);
    // Each file keeps its name and its folders from the one dropped down.
    EXPECT_EQ(model.batch()->outputs.size(), 2u);
    ASSERT_TRUE(std::filesystem::is_directory(folder / "out" / "trip" / "day 2"));
    EXPECT_EQ(std::filesystem::directory_iterator(folder / "out" / "trip" / "day 2")->path().stem(), "b");
}

} // namespace
} // namespace orvane
