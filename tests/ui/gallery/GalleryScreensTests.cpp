#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"
#include "tests/ui/support/GalleryJobs.h"
#include "tests/ui/support/WindowTestSupport.h"
#include "ui/compare/CompareView.h"
#include "ui/controls/ActionButton.h"
#include "ui/controls/Spinner.h"
#include "ui/controls/TextLabel.h"
#include "ui/gallery/GalleryDetailView.h"
#include "ui/gallery/GalleryGrid.h"
#include "ui/gallery/GalleryThumb.h"
#include "ui/gallery/GalleryView.h"
#include "ui/window/ContentView.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <fstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace orvane {
namespace {

QMessageBox* confirmation(const QWidget& view, const char* name) {
    return test::child<QMessageBox>(view, name);
}

TEST(GalleryView, DeletesOneJobAtOnceButAsksBeforeDeletingAll) {
    test::TemporaryDirectory folder;
    test::writeJobs(folder / "Jobs", 3);
    test::LoadedGallery jobs(folder / "Jobs");
    std::vector<JobRecord> opened;
    GalleryView view(jobs.gallery, [&](const JobRecord& record) { opened.push_back(record); });
    view.resize(900, 700);
    view.show();

    auto* summary = test::child<QLabel>(view, "gallerySummary");
    EXPECT_EQ(summary->text(), GalleryView::summaryText(3, jobs.gallery.totalBytes()));
    EXPECT_TRUE(summary->text().startsWith("3 jobs · "));
    EXPECT_TRUE(summary->text().endsWith(" on this device"));
    auto* grid = test::child<GalleryGrid>(view, "galleryGrid");
    ASSERT_EQ(grid->thumbs().size(), 3);

    // A click opens the job; its menu's "Delete" removes it without asking.
    const JobRecord newest = jobs.gallery.records().front();
    const auto newestFolder = jobs.gallery.root() / uuidString(newest.id).toStdString();
    GalleryThumb* thumb = nullptr;
    for (GalleryThumb* each : grid->thumbs()) {
        if (each->record() == newest) {
            thumb = each;
        }
    }
    ASSERT_NE(thumb, nullptr);
    QTest::mouseClick(thumb, Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened.front(), newest);
    emit thumb->customContextMenuRequested(QPoint(10, 10));
    auto* menu = test::child<QMenu>(view, "jobMenu");
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions().front()->text(), "Delete");
    menu->actions().front()->trigger();
    menu->close();
    EXPECT_EQ(jobs.gallery.records().size(), 2);
    EXPECT_FALSE(fs::exists(newestFolder));
    EXPECT_TRUE(summary->text().startsWith("2 jobs · "));
    EXPECT_TRUE(test::waitFor([&] { return grid->thumbs().size() == 2; }));

    // "Delete all…" asks; cancelling keeps everything.
    auto* deleteAll = test::child<ActionButton>(view, "deleteAllButton");
    QTest::mouseClick(deleteAll, Qt::LeftButton);
    QMessageBox* ask = confirmation(view, "deleteAllConfirmation");
    ASSERT_NE(ask, nullptr);
    EXPECT_EQ(ask->text(), "Delete all jobs from this device?");
    EXPECT_EQ(ask->informativeText(), "Files you already saved or shared are not affected.");
    ask->button(QMessageBox::Cancel)->click();
    EXPECT_TRUE(test::waitFor([&] { return !view.findChild<QMessageBox*>("deleteAllConfirmation"); }));
    EXPECT_EQ(jobs.gallery.records().size(), 2);

    QTest::mouseClick(deleteAll, Qt::LeftButton);
    ask = confirmation(view, "deleteAllConfirmation");
    ASSERT_NE(ask, nullptr);
    test::child<QPushButton>(*ask, "confirmDeleteAllButton")->click();
    EXPECT_TRUE(jobs.gallery.records().isEmpty());
    EXPECT_TRUE(fs::is_empty(jobs.gallery.root()));
    EXPECT_EQ(summary->text(), "0 jobs · Zero KB on this device");
    EXPECT_FALSE(deleteAll->isVisible());
    EXPECT_TRUE(test::child<QLabel>(view, "galleryEmptyText")->isVisible());
    EXPECT_EQ(test::child<QLabel>(view, "galleryEmptyText")->text(), "No jobs yet.");
}

TEST(GalleryView, MakesThumbnailsOnlyForTheRowsInSight) {
    test::TemporaryDirectory folder;
    test::writeJobs(folder / "Jobs", 60);
    test::LoadedGallery jobs(folder / "Jobs");
    GalleryView view(jobs.gallery, [](const JobRecord&) {});
    view.resize(900, 600);
    view.show();
    auto* grid = test::child<GalleryGrid>(view, "galleryGrid");
    const auto geometry = grid->geometryFor(grid->width());
    EXPECT_GE(grid->height(), 60 / geometry.columns * geometry.rowHeight);
    EXPECT_GT(grid->thumbs().size(), 0);
    EXPECT_LT(grid->thumbs().size(), 60);
}

struct Detail {
    test::TemporaryDirectory folder;
    std::optional<test::LoadedGallery> jobs;
    std::vector<fs::path> reused;
    int deleted = 0;
    std::vector<QString> saved;
    std::optional<GalleryDetailView> view;

    explicit Detail(bool withBefore, bool asPNG = false) {
        test::writeJobs(folder / "Jobs", 1, asPNG);
        jobs.emplace(folder / "Jobs");
        const JobRecord record = jobs->gallery.records().front();
        if (!withBefore) {
            fs::remove(jobs->gallery.root() / uuidString(record.id).toStdString() / "before.jpg");
        }
        view.emplace(jobs->gallery, record,
                     GalleryDetailView::Actions{
                         .useInNewJob = [this](const fs::path& file) { reused.push_back(file); },
                         .onDeleted = [this] { ++deleted; },
                         .onSaved = [this](const QString& text) { saved.push_back(text); },
                     });
        view->resize(900, 600);
        view->show();
    }
};

// The job's two lines are never cut short at the window's narrowest: the buttons go under them
// there, and stand beside them where there is room.
TEST(GalleryDetailView, InANarrowWindowTheButtonsGoUnderTheLinesWhichStayWhole) {
    test::TemporaryDirectory folder;
    const QUuid id = QUuid::createUuid();
    const Bitmap result = test::gradient(64, 48);
    ASSERT_TRUE(JobGallery::writeJob(
        folder / "Jobs" / uuidString(id).toStdString(), id, result, result, "Remove background",
        "person.crop.rectangle", "3840 × 2160 · transparent", "portrait", true, std::nullopt, std::nullopt));
    test::LoadedGallery jobs(folder / "Jobs");
    GalleryDetailView view(jobs.gallery, jobs.gallery.records().front(), {});
    view.show();
    auto* heading = test::child<TextLabel>(view, "detailHeading");
    auto* line = test::child<TextLabel>(view, "detailLine");
    auto* remove = test::child<ActionButton>(view, "deleteJobButton");
    for (const int width : {ContentView::minimumContentSize.width(), ContentView::defaultSize.width()}) {
        view.resize(width, 560);
        QTest::qWait(20);
        EXPECT_EQ(heading->shownText().toStdString(), heading->text().toStdString()) << width;
        EXPECT_EQ(line->shownText().toStdString(), line->text().toStdString()) << width;
        const int linesBottom = line->mapTo(&view, QPoint(0, line->height())).y();
        const bool beside = remove->mapTo(&view, QPoint(0, 0)).y() < linesBottom;
        EXPECT_EQ(beside, width == ContentView::defaultSize.width()) << width;
    }
}

TEST(GalleryDetailView, AJobWithoutItsBeforeImageShowsTheResultAlone) {
    Detail detail(false);
    EXPECT_TRUE(test::child<Spinner>(*detail.view, "detailSpinner")->isVisible());
    ASSERT_TRUE(test::waitFor([&] { return detail.view->hasLoaded(); }));
    EXPECT_FALSE(detail.view->before().has_value());
    ASSERT_TRUE(detail.view->after().has_value());
    EXPECT_EQ(detail.view->after()->width(), 64);
    auto* compare = test::child<CompareView>(*detail.view, "detailCompareView");
    EXPECT_TRUE(compare->isVisible());
    EXPECT_FALSE(compare->hasAfter());
    EXPECT_FALSE(test::child<Spinner>(*detail.view, "detailSpinner")->isVisible());
    EXPECT_EQ(test::child<QLabel>(*detail.view, "detailHeading")->text(), "Job 0 · 64 × 48");

    // "Use in a new job" hands over the result file and leaves the job's folder as it was.
    QTest::mouseClick(test::child<ActionButton>(*detail.view, "useInNewJobButton"), Qt::LeftButton);
    ASSERT_EQ(detail.reused.size(), 1u);
    EXPECT_EQ(detail.reused.front(), detail.view->resultFile());
    EXPECT_TRUE(fs::exists(detail.view->resultFile()));
}

TEST(GalleryDetailView, AnUnreadableResultKeepsTheSpinnerAndDeletingAsksFirst) {
    Detail detail(true);
    ASSERT_TRUE(test::waitFor([&] { return detail.view->hasLoaded(); }));
    EXPECT_TRUE(detail.view->before().has_value());

    QTest::mouseClick(test::child<ActionButton>(*detail.view, "deleteJobButton"), Qt::LeftButton);
    auto* ask = test::child<QMessageBox>(*detail.view, "deleteJobConfirmation");
    ASSERT_NE(ask, nullptr);
    EXPECT_EQ(ask->text(), "Delete this job?");
    EXPECT_TRUE(ask->informativeText().isEmpty());
    test::child<QPushButton>(*ask, "confirmDeleteJobButton")->click();
    EXPECT_EQ(detail.deleted, 1);
    EXPECT_TRUE(detail.jobs->gallery.records().isEmpty());
    EXPECT_FALSE(fs::exists(detail.view->resultFile().parent_path()));

    // A job whose result cannot be read stays on its spinner; a named pipe in the result's place
    // is never waited on, so the view still finishes loading.
    for (const bool pipe : {false, true}) {
        Detail broken(true);
        const fs::path result = broken.view->resultFile();
        broken.view.reset();
        fs::remove(result);
        if (pipe) {
            ASSERT_EQ(::mkfifo(result.c_str(), 0600), 0);
            fs::remove(result.parent_path() / "before.jpg");
            ASSERT_EQ(::mkfifo((result.parent_path() / "before.jpg").c_str(), 0600), 0);
        } else {
            std::ofstream(result) << "not an image";
        }
        broken.view.emplace(broken.jobs->gallery, broken.jobs->gallery.records().front(),
                            GalleryDetailView::Actions{});
        broken.view->show();
        ASSERT_TRUE(test::waitFor([&] { return broken.view->hasLoaded(); })) << pipe;
        EXPECT_FALSE(broken.view->after().has_value());
        EXPECT_TRUE(test::child<Spinner>(*broken.view, "detailSpinner")->isVisible());
        EXPECT_FALSE(test::child<CompareView>(*broken.view, "detailCompareView")->isVisible());
    }
}

// A backup put back under another name is read, reused and deleted from its own folder.
TEST(GalleryDetailView, AJobReadFromAFolderOfAnotherNameIsShownAndDeletedFromThatFolder) {
    test::TemporaryDirectory folder;
    const fs::path root = folder / "Jobs";
    test::writeJobs(root, 1);
    fs::rename(fs::directory_iterator(root)->path(), root / "Restored");
    test::LoadedGallery jobs(root);
    ASSERT_EQ(jobs.gallery.records().size(), 1);
    const JobRecord restored = jobs.gallery.records().front();
    std::vector<fs::path> reused;
    GalleryDetailView detail(jobs.gallery, restored,
                             {.useInNewJob = [&](const fs::path& file) { reused.push_back(file); },
                              .onDeleted = [] {},
                              .onSaved = [](const QString&) {}});
    detail.show();
    ASSERT_TRUE(test::waitFor([&] { return detail.hasLoaded(); }));
    ASSERT_TRUE(detail.after().has_value());
    QTest::mouseClick(test::child<ActionButton>(detail, "useInNewJobButton"), Qt::LeftButton);
    EXPECT_EQ(reused, std::vector<fs::path>{root / "Restored" / restored.resultFile.toStdString()});

    detail.confirmDelete();
    test::child<QPushButton>(detail, "confirmDeleteJobButton")->click();
    EXPECT_FALSE(fs::exists(root / "Restored"));
    EXPECT_TRUE(jobs.gallery.records().isEmpty());
}

TEST(GalleryDetailView, SavingReplacesTheChosenFileOnlyWithAWholeCopy) {
    Detail detail(true);
    QTest::mouseClick(test::child<ActionButton>(*detail.view, "saveCopyButton"), Qt::LeftButton);
    auto* panel = test::child<QFileDialog>(*detail.view, "savePanel");
    ASSERT_NE(panel, nullptr);
    ASSERT_EQ(panel->selectedFiles().size(), 1);
    EXPECT_EQ(QFileInfo(panel->selectedFiles().front()).fileName(), "photo-0.jpg");
    panel->reject();
    EXPECT_TRUE(detail.saved.empty());

    const fs::path destination = detail.folder / "mine.jpg";
    std::ofstream(destination) << "the user's own file";
    EXPECT_TRUE(detail.view->saveCopy(destination));
    EXPECT_EQ(fs::file_size(destination), fs::file_size(detail.view->resultFile()));
    EXPECT_EQ(detail.saved, std::vector<QString>{"Saved"});

    // A copy that fails part of the way leaves what was there, and says nothing.
    std::ofstream(destination, std::ios::trunc) << "the user's own file";
    fs::remove(detail.view->resultFile());
    EXPECT_FALSE(detail.view->saveCopy(destination));
    std::ifstream kept(destination);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "the user's own file");
    EXPECT_EQ(detail.saved.size(), 1u);
    std::vector<fs::path> left;
    for (const auto& entry : fs::directory_iterator(detail.folder.path())) {
        left.push_back(entry.path().filename());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<fs::path>{"Jobs", "mine.jpg"}));
}

TEST(GalleryDetailView, InTheWindowReusesTheResultAtHomeAndGoesBackToTheGalleryOnceDeleted) {
    test::TemporaryDirectory folder;
    test::writeJobs(folder / "Jobs", 2);
    test::LoadedGallery jobs(folder / "Jobs");
    ContentView window(&jobs.gallery);
    window.resize(ContentView::defaultSize);
    window.show();
    window.openGallery();
    auto* grid = test::child<GalleryGrid>(window, "galleryGrid");
    ASSERT_TRUE(test::waitFor([&] { return grid->thumbs().size() == 2; }));
    QTest::mouseClick(grid->thumbs().front(), Qt::LeftButton);
    ASSERT_TRUE(std::holds_alternative<RecordScreen>(window.screen()));

    QTest::mouseClick(test::child<ActionButton>(window, "useInNewJobButton"), Qt::LeftButton);
    EXPECT_TRUE(std::holds_alternative<HomeScreen>(window.screen()));
    ASSERT_TRUE(test::waitUntilLoaded(window.model()));
    ASSERT_TRUE(window.model().original().has_value());
    EXPECT_EQ(window.model().original()->width(), 64);
    EXPECT_FALSE(window.model().focus().has_value());

    window.openRecord(jobs.gallery.records().front());
    QTest::mouseClick(test::child<ActionButton>(window, "deleteJobButton"), Qt::LeftButton);
    test::child<QPushButton>(window, "confirmDeleteJobButton")->click();
    EXPECT_TRUE(std::holds_alternative<GalleryScreen>(window.screen()));
    EXPECT_EQ(jobs.gallery.records().size(), 1);
}

} // namespace
} // namespace orvane
