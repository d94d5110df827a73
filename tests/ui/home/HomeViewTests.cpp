#include "editor/JobGallery.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"
#include "tests/ui/support/DesktopFakes.h"
#include "tests/ui/support/WindowTestSupport.h"
#include "ui/gallery/GalleryThumb.h"
#include "ui/home/AdaptiveGridLayout.h"
#include "ui/home/HomeView.h"
#include "ui/home/JobTile.h"
#include "ui/sheets/AboutView.h"
#include "ui/window/ContentView.h"

#include <QAbstractButton>
#include <QCursor>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <filesystem>
#include <fstream>

namespace orvane {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Records of `count` jobs, newest first, one hour apart; nothing on disk.
QList<JobRecord> jobs(int count) {
    QList<JobRecord> records;
    const auto now = std::chrono::system_clock::now();
    for (int index = 0; index < count; ++index) {
        records << JobRecord{.id = QUuid::createUuid(),
                             .title = QStringLiteral("Job %1").arg(index),
                             .symbol = "wand.and.stars",
                             .date = now - std::chrono::hours(index),
                             .width = 100,
                             .height = 100,
                             .resultFile = "result.jpg",
                             .bytes = 1000,
                             .detail = "JPEG"};
    }
    return records;
}

struct Home {
    test::TemporaryDirectory folder;
    JobGallery gallery{folder / "Jobs"};
    EditorModel model;
    QList<JobRecord> opened;
    int galleryOpened = 0;
    HomeView view{model,
                  gallery,
                  {.openJob = {},
                   .openEditor = {},
                   .openGallery = [this] { ++galleryOpened; },
                   .openRecord = [this](const JobRecord& record) { opened << record; }}};
    Home() {
        EXPECT_TRUE(test::waitUntilLoaded(gallery));
        view.resize(1180, 760);
        view.show();
    }
};

TEST(HomeView, ATileOpensTheJobScreenWithItsPresetApplied) {
    for (const char* id : {"enlarge-4", "batch"}) {
        test::TemporaryDirectory folder;
        JobGallery gallery(folder / "Jobs");
        ContentView window(&gallery);
        window.resize(ContentView::defaultSize);
        window.show();
        auto* tile = test::child<JobTile>(window, qPrintable(QStringLiteral("jobTile-%1").arg(id)));
        ASSERT_NE(tile, nullptr);
        QTest::mouseClick(tile, Qt::LeftButton);
        EXPECT_TRUE(std::holds_alternative<JobScreen>(window.screen())) << id;
        ASSERT_TRUE(window.model().focus().has_value());
        EXPECT_EQ(window.model().focus()->id, id);
        EXPECT_EQ(window.model().tool(), JobPreset::find(id)->tool);
    }
}

TEST(JobTile, HoveringRaisesTheTileUntilThePointerLeaves) {
    int opened = 0;
    JobTile tile(*JobPreset::find("enhance"), [&] { ++opened; });
    tile.resize(200, 118);
    tile.show();
    EXPECT_EQ(tile.accessibleName(), "Enhance. Light, colour, noise, detail");
    QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
    QApplication::sendEvent(&tile, &enter);
    EXPECT_TRUE(tile.isHovered());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&tile, &leave);
    EXPECT_FALSE(tile.isHovered());
    QTest::mouseClick(&tile, Qt::LeftButton);
    EXPECT_EQ(opened, 1);
}

// Scrolling moves the tiles under a pointer that stands still, which sends no enter or leave: the
// tile that left the pointer goes back to rest and the one now under it is raised.
TEST(JobTile, AfterScrollingUnderAStillPointerOnlyTheTileUnderItIsRaised) {
    Home home;
    home.view.resize(1180, 560);
    QCoreApplication::processEvents();
    auto* first = test::child<JobTile>(home.view, "jobTile-enlarge-2");
    const QPoint pointer = first->mapTo(&home.view, first->rect().center());
    QCursor::setPos(home.view.mapToGlobal(pointer));
    QTest::mouseMove(&home.view, pointer);
    ASSERT_TRUE(first->isHovered());

    auto* bar = test::child<QScrollArea>(home.view, "homeScroll")->verticalScrollBar();
    bar->setValue(bar->value() + first->height() + 12);
    QCoreApplication::processEvents();
    EXPECT_FALSE(first->isHovered());
    QList<JobTile*> raised;
    for (JobTile* tile : home.view.findChildren<JobTile*>()) {
        if (tile->isHovered()) {
            raised << tile;
        }
    }
    ASSERT_EQ(raised.size(), 1);
    EXPECT_TRUE(raised.front()->rect().contains(raised.front()->mapFromGlobal(QCursor::pos())));
    EXPECT_NE(raised.front(), first);
}

TEST(HomeView, ThePhotoCardShowsWhileAPhotoIsLoadedAndRemovingItClearsTheSource) {
    Home home;
    auto* card = test::child(home.view, "photoCard");
    EXPECT_FALSE(test::isShown(card));
    home.model.loadFile(test::writePhoto(home.folder / "photo.jpg"));
    // While the photo is opened in the background, the card says so with a spinner in place of
    // the preview.
    if (home.model.isLoading()) {
        EXPECT_TRUE(test::isShown(card));
        EXPECT_TRUE(test::isShown(test::child(home.view, "photoSpinner")));
        EXPECT_EQ(test::child<QLabel>(home.view, "photoTitle")->text(), "Opening the photo…");
    }
    ASSERT_TRUE(test::waitUntilLoaded(home.model));
    EXPECT_FALSE(test::isShown(test::child(home.view, "photoSpinner")));
    EXPECT_TRUE(test::isShown(card));
    EXPECT_TRUE(test::isShown(test::child(home.view, "photoPreview")));
    EXPECT_EQ(test::child<QLabel>(home.view, "photoTitle")->text(), "Photo ready");
    QTest::mouseClick(test::child<QAbstractButton>(home.view, "removePhotoButton"), Qt::LeftButton);
    EXPECT_FALSE(home.model.original().has_value());
    EXPECT_FALSE(test::isShown(card));
}

TEST(HomeView, TheStripShowsTheTwelveNewestJobsAndTheGalleryCount) {
    Home home;
    EXPECT_TRUE(test::isShown(test::child(home.view, "recentJobsPlaceholder")));
    EXPECT_FALSE(test::isShown(test::child(home.view, "recentJobs")));

    const QList<JobRecord> records = jobs(20);
    home.gallery.setRecords(records);
    EXPECT_FALSE(test::isShown(test::child(home.view, "recentJobsPlaceholder")));
    EXPECT_TRUE(test::isShown(test::child(home.view, "recentJobs")));
    EXPECT_EQ(test::child<QAbstractButton>(home.view, "galleryButton")->text(), "Gallery (20)");
    const auto thumbs = test::child(home.view, "recentJobsRow")->findChildren<GalleryThumb*>();
    ASSERT_EQ(thumbs.size(), HomeView::recentJobCount);
    for (int index = 0; index < thumbs.size(); ++index) {
        EXPECT_EQ(thumbs[index]->record(), records[index]);
    }
    QTest::mouseClick(thumbs[3], Qt::LeftButton);
    QTest::mouseClick(test::child<QAbstractButton>(home.view, "galleryButton"), Qt::LeftButton);
    ASSERT_EQ(home.opened.size(), 1);
    EXPECT_EQ(home.opened[0], records[3]);
    EXPECT_EQ(home.galleryOpened, 1);

    home.gallery.setRecords({});
    EXPECT_TRUE(test::isShown(test::child(home.view, "recentJobsPlaceholder")));
    EXPECT_TRUE(test::child(home.view, "recentJobsRow")->findChildren<GalleryThumb*>().isEmpty());
}

TEST(HomeView, TheTilesTakeAsManyColumnsOfAtLeast168PointsAsFit) {
    AdaptiveGridLayout grid(168, 12, 12);
    EXPECT_EQ(grid.columnCount(100), 1);
    EXPECT_EQ(grid.columnCount(347), 1);
    EXPECT_EQ(grid.columnCount(348), 2);
    Home home;
    // A wide window: the content stops at its maximum width, centred, holding five columns.
    home.view.resize(2000, 800);
    QApplication::processEvents();
    const auto* content = test::child(home.view, "homeContent");
    EXPECT_EQ(content->width(), HomeView::contentMaximumWidth);
    const int left = content->mapTo(&home.view, QPoint()).x();
    EXPECT_NEAR(left, (home.view.width() - content->width()) / 2, 12);
    const auto tiles = test::child(home.view, "section-Enlarge")->findChildren<JobTile*>();
    ASSERT_EQ(tiles.size(), 6);
    EXPECT_EQ(tiles[4]->y(), tiles[0]->y());
    EXPECT_GT(tiles[5]->y(), tiles[0]->y());
    EXPECT_GE(tiles[0]->width(), 168);
}

TEST(AboutView, ShowsTheVersionOpensTheShippedPagesAndClosesWithDone) {
    Home home;
    test::FakeOpener browser(0);
    QTest::mouseClick(test::child<QAbstractButton>(home.view, "aboutButton"), Qt::LeftButton);
    QPointer<AboutView> sheet = home.view.aboutSheet();
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    EXPECT_EQ(sheet->windowTitle(), "About");
    EXPECT_TRUE(QRegularExpression(R"(^\d+\.\d+\.\d+ \(\d+\)$)").match(AboutView::versionText()).hasMatch());
    EXPECT_EQ(test::child<QLabel>(*sheet, "aboutVersion")->text(), "Version " + AboutView::versionText());

    // Its fixed size, whatever it holds: the notices scroll inside it, each line whole.
    EXPECT_EQ(sheet->size(), AboutView::sheetSize);
    EXPECT_EQ(AboutView::sheetSize, QSize(520, 600));
    const auto* notices = test::child<QLabel>(*sheet, "aboutNotices");
    EXPECT_GT(test::child<QScrollArea>(*sheet, "aboutScroll")->verticalScrollBar()->maximum(), 0);
    EXPECT_GE(notices->height(), notices->heightForWidth(notices->width()));
    EXPECT_TRUE(notices->textInteractionFlags() & Qt::TextSelectableByMouse);
    for (const char* component : {"realesr-general-x4v3", "RealESRGAN_x4plus_anime_6B", "Xintao Wang",
                                  "ISNet", "ONNX Runtime", "libvips", "libwebp", "libheif", "exiv2", "LibRaw",
                                  "Qt", "Redistribution and use in source and binary forms"}) {
        EXPECT_TRUE(notices->text().contains(component)) << component;
    }

    for (const char* page : {"support", "privacy", "terms"}) {
        QTest::mouseClick(
            test::child<QAbstractButton>(*sheet, qPrintable(QStringLiteral("helpLink-%1").arg(page))),
            Qt::LeftButton);
    }
    ASSERT_TRUE(test::waitFor([&] { return browser.opened().size() == 3; }));
    for (const QString& opened : browser.opened()) {
        const QUrl url(opened);
        EXPECT_TRUE(url.isLocalFile() && QFile::exists(url.toLocalFile())) << opened.toStdString();
    }
    // The three openers run side by side, so they note their pages in any order.
    QStringList pages;
    for (const QString& opened : browser.opened()) {
        pages << QUrl(opened).toLocalFile().section('/', -4);
    }
    pages.sort();
    EXPECT_EQ(pages, QStringList({"share/orvane/help/privacy.html", "share/orvane/help/support.html",
                                  "share/orvane/help/terms.html"}));
    EXPECT_EQ(sheet->findChild<QMessageBox*>("pageNotOpened"), nullptr);
    EXPECT_TRUE(sheet->isVisible());

    QTest::mouseClick(test::child<QAbstractButton>(*sheet, "aboutDoneButton"), Qt::LeftButton);
    EXPECT_TRUE(test::waitFor([&] { return sheet.isNull(); }));
    EXPECT_EQ(home.view.aboutSheet(), nullptr);
}

} // namespace
} // namespace orvane

namespace orvane {
namespace {

TEST(AboutView, SaysSoWhenNothingCanOpenAPageOrTheOpenerIsMissing) {
    for (const bool openerMissing : {false, true}) {
        Home home;
        test::FakeOpener browser(3);
        const QByteArray path = qgetenv("PATH");
        if (openerMissing) {
            qputenv("PATH", "/nonexistent");
        }
        home.view.showAbout();
        QPointer<AboutView> sheet = home.view.aboutSheet();
        ASSERT_TRUE(sheet);
        QTest::mouseClick(test::child<QAbstractButton>(*sheet, "helpLink-privacy"), Qt::LeftButton);
        QMessageBox* message = nullptr;
        EXPECT_TRUE(test::waitFor(
            [&] { return (message = sheet->window()->findChild<QMessageBox*>("pageNotOpened")); }));
        qputenv("PATH", path);
        ASSERT_NE(message, nullptr);
        EXPECT_EQ(message->text(), "The page couldn't be opened");
        EXPECT_TRUE(message->informativeText().endsWith("share/orvane/help/privacy.html"));
        EXPECT_TRUE(sheet->isVisible());
    }
}

TEST(HomeView, JobsReadFromDiskShowTheirThumbnails) {
    test::TemporaryDirectory folder;
    const QUuid id = QUuid::createUuid();
    const Bitmap photo = test::gradient(120, 80);
    ASSERT_TRUE(JobGallery::writeJob(folder / "Jobs" / uuidString(id).toStdString(), id, photo, photo,
                                     "Enhance", "wand.and.stars", "120 × 80", "photo", false, std::nullopt,
                                     std::nullopt));
    JobGallery gallery(folder / "Jobs");
    ASSERT_TRUE(test::waitUntilLoaded(gallery));
    ContentView window(&gallery);
    window.show();
    auto* thumb = test::child<GalleryThumb>(window, "galleryThumb");
    ASSERT_NE(thumb, nullptr);
    EXPECT_TRUE(test::waitFor([&] { return thumb->hasImage(); }, 5000));
}

} // namespace
} // namespace orvane
