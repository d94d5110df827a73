#include "tests/support/TemporaryDirectory.h"
#include "tests/ui/support/GalleryJobs.h"
#include "tests/ui/support/WindowTestSupport.h"
#include "ui/controls/ActionButton.h"
#include "ui/desktop/FilePanels.h"
#include "ui/gallery/GalleryGrid.h"
#include "ui/gallery/GalleryThumb.h"
#include "ui/gallery/RecentJobsStrip.h"
#include "ui/sheets/PhotoSourceSheet.h"

#include <QFileDialog>
#include <QLabel>
#include <QPointer>
#include <QScrollArea>
#include <QVBoxLayout>
#include <fstream>

namespace fs = std::filesystem;

namespace orvane {
namespace {

struct Sheet {
    test::TemporaryDirectory folder;
    std::optional<test::LoadedGallery> jobs;
    QWidget window;
    std::vector<fs::path> urls;
    std::vector<SharedBytes> data;
    std::vector<JobRecord> records;
    QPointer<PhotoSourceSheet> sheet;

    explicit Sheet(int jobCount) {
        test::writeJobs(folder / "Jobs", jobCount);
        jobs.emplace(folder / "Jobs");
        window.resize(900, 700);
        window.show();
        sheet = new PhotoSourceSheet(
            jobs->gallery,
            {
                .onURL = [this](const fs::path& url) { urls.push_back(url); },
                .onData = [this](SharedBytes bytes) { data.push_back(bytes); },
                .onRecord = [this](const JobRecord& record) { records.push_back(record); },
            },
            &window);
        sheet->setAttribute(Qt::WA_DeleteOnClose);
        sheet->open();
    }
    bool closed() {
        return test::waitFor([&] { return !sheet || !sheet->isVisible(); });
    }
    int calls() const { return int(urls.size() + data.size() + records.size()); }
};

TEST(PhotoSourceSheet, WithoutJobsExplainsWhereTheyWillShow) {
    Sheet sheet(0);
    // As wide as it is meant to be, and no taller than what it holds.
    EXPECT_EQ(sheet.sheet->width(), PhotoSourceSheet::largestSize.width());
    EXPECT_LT(sheet.sheet->height(), PhotoSourceSheet::largestSize.height() * 3 / 4);
    EXPECT_TRUE(test::child<QWidget>(*sheet.sheet, "pastJobsEmpty")->isVisible());
    EXPECT_FALSE(test::child<QLabel>(*sheet.sheet, "pastJobsCount")->isVisible());
    EXPECT_FALSE(test::child<QScrollArea>(*sheet.sheet, "pastJobsArea")->isVisible());
    // Escape closes it without handing anything over.
    QTest::keyClick(sheet.sheet, Qt::Key_Escape);
    EXPECT_TRUE(sheet.closed());
    EXPECT_EQ(sheet.calls(), 0);
}

TEST(PhotoSourceSheet, ListsAllTwentyFiveJobsAndHandsOverTheOneChosen) {
    Sheet sheet(25);
    EXPECT_EQ(sheet.sheet->size(), PhotoSourceSheet::largestSize);
    EXPECT_FALSE(test::child<QWidget>(*sheet.sheet, "pastJobsEmpty")->isVisible());
    EXPECT_EQ(test::child<QLabel>(*sheet.sheet, "pastJobsCount")->text(), "25");
    auto* grid = test::child<GalleryGrid>(*sheet.sheet, "galleryGrid");
    const auto geometry = grid->geometryFor(grid->width());
    EXPECT_GE(geometry.cellWidth, 120);
    EXPECT_EQ(grid->heightForWidth(grid->width()),
              (25 + geometry.columns - 1) / geometry.columns * (geometry.rowHeight + 12) - 12);
    GalleryThumb* first = nullptr;
    for (GalleryThumb* thumb : grid->thumbs()) {
        if (thumb->record() == sheet.jobs->gallery.records().front()) {
            first = thumb;
        }
    }
    ASSERT_NE(first, nullptr);
    QTest::mouseClick(first, Qt::LeftButton);
    EXPECT_TRUE(sheet.closed());
    ASSERT_EQ(sheet.records.size(), 1u);
    EXPECT_EQ(sheet.records.front(), sheet.jobs->gallery.records().front());
    EXPECT_EQ(sheet.calls(), 1);
}

TEST(PhotoSourceSheet, OpenFileHandsOverTheChosenFileAndACancelledPanelLeavesTheSheet) {
    FilePanels::forgetFolders();
    Sheet sheet(0);
    const auto openPanel = [&] {
        QTest::mouseClick(test::child<ActionButton>(*sheet.sheet, "openFileButton"), Qt::LeftButton);
        return test::child<QFileDialog>(*sheet.sheet, "fileImporter");
    };
    QPointer<QFileDialog> panel = openPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->directory().absolutePath(), FilePanels::picturesFolder());
    panel->reject();
    EXPECT_TRUE(test::waitFor([&] { return !panel; }));
    EXPECT_TRUE(sheet.sheet && sheet.sheet->isVisible());
    EXPECT_EQ(sheet.calls(), 0);

    const auto photo = test::writePhoto(sheet.folder / "chosen.jpg");
    panel = openPanel();
    ASSERT_NE(panel, nullptr);
    panel->selectFile(QString::fromStdString(photo.string()));
    QMetaObject::invokeMethod(panel, "accept");
    EXPECT_TRUE(sheet.closed());
    ASSERT_EQ(sheet.urls.size(), 1u);
    EXPECT_EQ(sheet.urls.front(), photo);
    EXPECT_EQ(sheet.calls(), 1);
    // The next panel for a photo starts where this one was found.
    EXPECT_EQ(FilePanels::startFolder(FilePanels::Purpose::openPhoto),
              QString::fromStdString(sheet.folder.path().string()));
    EXPECT_EQ(FilePanels::startFolder(FilePanels::Purpose::saveCopy), FilePanels::picturesFolder());
    FilePanels::forgetFolders();
}

TEST(PhotoSourceSheet, APickedPhotoArrivesAsBytesAndAnUnreadableOneClosesSilently) {
    FilePanels::forgetFolders();
    Sheet sheet(0);
    QTest::mouseClick(test::child<ActionButton>(*sheet.sheet, "photosLibraryButton"), Qt::LeftButton);
    auto* picker = test::child<QFileDialog>(*sheet.sheet, "photosPicker");
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(fs::path(picker->directory().absolutePath().toStdString()),
              fs::path(FilePanels::picturesFolder().toStdString()));
    // Cancelling the picker leaves the sheet open.
    picker->reject();
    EXPECT_TRUE(sheet.sheet && sheet.sheet->isVisible());

    const auto photo = test::writePhoto(sheet.folder / "photo.jpg");
    sheet.sheet->takePhoto(QString::fromStdString(photo.string()));
    EXPECT_TRUE(sheet.sheet->isLoading());
    EXPECT_TRUE(sheet.closed());
    ASSERT_EQ(sheet.data.size(), 1u);
    EXPECT_EQ(sheet.data.front()->size(), fs::file_size(photo));

    Sheet unreadable(0);
    unreadable.sheet->takePhoto(QString::fromStdString((unreadable.folder / "missing.jpg").string()));
    EXPECT_TRUE(unreadable.closed());
    EXPECT_EQ(unreadable.calls(), 0);
}

TEST(RecentJobsStrip, ShowsNothingWithoutJobsAndTheNewestTenOtherwise) {
    test::TemporaryDirectory folder;
    test::writeJobs(folder / "Jobs", 25);
    test::LoadedGallery jobs(folder / "Jobs");
    test::TemporaryDirectory emptyFolder;
    test::LoadedGallery none(emptyFolder / "Jobs");

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    std::vector<JobRecord> chosen;
    auto* empty =
        new RecentJobsStrip(none.gallery, [&](const JobRecord& record) { chosen.push_back(record); });
    auto* strip =
        new RecentJobsStrip(jobs.gallery, [&](const JobRecord& record) { chosen.push_back(record); });
    layout->addWidget(empty);
    layout->addWidget(strip);
    window.show();

    EXPECT_FALSE(empty->isVisible());
    EXPECT_TRUE(strip->isVisible());
    const QList<GalleryThumb*> thumbs = strip->thumbs();
    ASSERT_EQ(thumbs.size(), 10);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(thumbs[i]->record(), jobs.gallery.records()[i]);
    }
    QTest::mouseClick(thumbs[3], Qt::LeftButton);
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(chosen.front(), jobs.gallery.records()[3]);
    EXPECT_TRUE(strip->isVisible());

    // It follows the gallery: a first job makes the empty strip appear.
    test::writeJobs(emptyFolder / "Jobs", 1);
    none.gallery.load();
    EXPECT_TRUE(test::waitFor([&] { return empty->isVisible(); }));
    EXPECT_EQ(empty->thumbs().size(), 1);
}

} // namespace
} // namespace orvane
