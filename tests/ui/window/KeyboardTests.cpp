#include "editor/JobGallery.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"
#include "tests/ui/support/GalleryJobs.h"
#include "tests/ui/support/ScreenshotLook.h"
#include "tests/ui/support/WindowTestSupport.h"
#include "ui/controls/FocusRing.h"
#include "ui/gallery/GalleryDetailView.h"
#include "ui/gallery/GalleryThumb.h"
#include "ui/home/HomeView.h"
#include "ui/home/JobTile.h"
#include "ui/look/Theme.h"
#include "ui/sheets/AboutView.h"
#include "ui/sheets/PhotoSourceSheet.h"
#include "ui/window/ContentView.h"

#include <QApplication>
#include <QDir>
#include <QMap>
#include <QPainter>
#include <QPointer>
#include <QSet>
#include <functional>

namespace orvane {
namespace {

struct Window {
    test::TemporaryDirectory folder;
    std::optional<test::LoadedGallery> jobs;
    std::unique_ptr<ContentView> view;

    explicit Window(int jobCount = 3) {
        test::writeJobs(folder / "Jobs", jobCount);
        jobs.emplace(folder / "Jobs");
        view = std::make_unique<ContentView>(&jobs->gallery);
        view->resize(ContentView::defaultSize);
        view->show();
        view->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(view.get()));
    }
    void loadPhoto() {
        view->model().loadFile(test::writePhoto(folder / "photo.jpg", 320, 240));
        ASSERT_TRUE(test::waitUntilLoaded(view->model()));
    }
    QWidget* focused() const { return QApplication::focusWidget(); }
    void press(Qt::Key key) { QTest::keyClick(focused() ? focused() : view.get(), key); }
};

QString describe(const QWidget* widget) {
    QString text = widget->accessibleName();
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget); button && text.isEmpty()) {
        text = button->text();
    }
    return QStringLiteral("%1 \"%2\" (%3)")
        .arg(QString::fromLatin1(widget->metaObject()->className()), widget->objectName(), text);
}

// Whether a change from `a` to `b` can be seen: enough pixels that differ plainly, not only an
// edge softened by a colour drawn over itself.
bool visiblyDiffers(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return true;
    }
    const QImage first = a.convertToFormat(QImage::Format_ARGB32);
    const QImage second = b.convertToFormat(QImage::Format_ARGB32);
    int plain = 0;
    for (int y = 0; y < first.height(); ++y) {
        for (int x = 0; x < first.width(); ++x) {
            const QColor one = first.pixelColor(x, y), other = second.pixelColor(x, y);
            const int difference =
                std::max({std::abs(one.red() - other.red()), std::abs(one.green() - other.green()),
                          std::abs(one.blue() - other.blue())});
            plain += difference >= 48 ? 1 : 0;
        }
    }
    return plain >= 12;
}

// One round of the window's Tab order: every stop, each drawn with the focus, and those that look
// the same with the focus as without it (a control whose focus can't be seen, or a stop that is
// no control at all).
struct Walk {
    QStringList stops;
    QList<QImage> focused;
    QStringList unseen;
    std::string unseenText() const { return unseen.join('\n').toStdString(); }
};

Walk walkTabOrder(Window& window) {
    QCoreApplication::processEvents();
    Walk walk;
    QSet<QWidget*> seen;
    QPointer<QWidget> previous;
    for (int step = 0; step < 150; ++step) {
        window.press(Qt::Key_Tab);
        QCoreApplication::processEvents();
        QWidget* focused = window.focused();
        // A stop that holds the next one is a container, which shows no focus of its own.
        if (previous && (previous->isAncestorOf(focused) ||
                         !visiblyDiffers(previous->grab().toImage(), walk.focused.back()))) {
            walk.unseen << describe(previous);
        }
        if (!focused || seen.contains(focused)) {
            break;
        }
        seen.insert(focused);
        walk.stops << describe(focused);
        walk.focused << focused->grab().toImage();
        previous = focused;
    }
    return walk;
}

// The stops as they look with the focus, side by side in rows, on the window's background.
QImage contactSheet(const QList<QImage>& images) {
    constexpr int gap = 12, rowWidth = 1180;
    int x = gap, y = gap, rowHeight = 0, width = 0;
    QList<QPoint> places;
    for (const QImage& image : images) {
        if (x > gap && x + image.width() > rowWidth) {
            x = gap;
            y += rowHeight + gap;
            rowHeight = 0;
        }
        places << QPoint(x, y);
        x += image.width() + gap;
        width = std::max(width, x);
        rowHeight = std::max(rowHeight, image.height());
    }
    QImage sheet(std::max(width, 1), y + rowHeight + gap, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Theme::windowBackground());
    QPainter painter(&sheet);
    for (int index = 0; index < images.size(); ++index) {
        painter.drawImage(places[index], images[index]);
    }
    return sheet;
}

// Goes round the Tab order of every screen of a window with a photo and three jobs, and of the
// about sheet, in the screenshots' light or dark look.
void walkEveryScreen(bool dark, const std::function<void(const QString& screen, const Walk&)>& take) {
    const test::ScreenshotLook look(dark);
    Window window;
    window.loadPhoto();
    take("home", walkTabOrder(window));

    auto* home = test::child<HomeView>(*window.view, "homeView");
    home->showAbout();
    ASSERT_TRUE(QTest::qWaitForWindowActive(home->aboutSheet()));
    take("about", walkTabOrder(window));
    home->aboutSheet()->accept();
    window.view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.view.get()));

    window.view->openJob(*JobPreset::find("enlarge-2"));
    const Bitmap result = test::gradient(640, 480);
    window.view->model().setResult(result);
    window.view->model().setResultPreview(result);
    window.view->model().setResultInfo(ResultInfo{.width = 640, .height = 480, .label = "Enlarged 2×"});
    take("job", walkTabOrder(window));
    window.view->presentSource();
    auto* source = window.view->findChild<PhotoSourceSheet*>();
    ASSERT_TRUE(QTest::qWaitForWindowActive(source));
    take("source", walkTabOrder(window));
    source->reject();
    window.view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.view.get()));

    window.view->openGallery();
    take("gallery", walkTabOrder(window));
    window.view->openRecord(window.jobs->gallery.records().front());
    auto* detail = window.view->findChild<GalleryDetailView*>();
    ASSERT_TRUE(test::waitFor([&] { return detail->hasLoaded(); }));
    take("record", walkTabOrder(window));

    window.view->model().clearSource();
    window.view->openEditor();
    take("empty", walkTabOrder(window));
}

// Every control that Tab reaches shows that it has the focus, on every screen and in both looks;
// nothing else takes a stop.
TEST(Keyboard, EveryStopOnEveryScreenShowsItsFocusInBothLooks) {
    for (const bool dark : {false, true}) {
        QMap<QString, QStringList> stops;
        walkEveryScreen(dark, [&](const QString& screen, const Walk& walk) {
            EXPECT_EQ(walk.unseenText(), "") << screen.toStdString() << (dark ? ", dark" : ", light");
            stops[screen] = walk.stops;
        });
        const auto count = [&](const char* screen, const char* name) {
            return stops[screen].filter(name).size();
        };
        // The photo's ×, the gallery button, the recent jobs, the tiles and the bottom row.
        EXPECT_EQ(count("home", "removePhotoButton"), 1) << stops["home"].join('\n').toStdString();
        EXPECT_EQ(count("home", "GalleryThumb"), 3);
        EXPECT_GE(count("home", "JobTile"), 10);
        EXPECT_EQ(count("about", "helpLink"), 3);
        EXPECT_EQ(count("job", "backButton"), 1) << stops["job"].join('\n').toStdString();
        EXPECT_EQ(count("job", "runButton"), 1);
        EXPECT_EQ(count("record", "showInFolderButton"), 1);
        EXPECT_EQ(count("source", "GalleryThumb"), 3) << stops["source"].join('\n').toStdString();
        EXPECT_EQ(count("empty", "GalleryThumb"), 3) << stops["empty"].join('\n').toStdString();
    }
}

// Writes every screen's stops as they look with the focus, when ORVANE_SCREENSHOTS names a folder.
TEST(KeyboardScreenshots, FocusRingsOfEveryScreen) {
    const QString folder = qEnvironmentVariable("ORVANE_SCREENSHOTS");
    if (folder.isEmpty()) {
        GTEST_SKIP() << "set ORVANE_SCREENSHOTS to a folder to write them";
    }
    for (const bool dark : {false, true}) {
        walkEveryScreen(dark, [&](const QString& screen, const Walk& walk) {
            contactSheet(walk.focused)
                .save(QDir(folder).filePath(
                    QStringLiteral("focus-%1-%2.png").arg(screen, dark ? "dark" : "light")));
        });
    }
}

// Space presses the focused control as a click does: a recent job and a tile open from the keyboard.
TEST(Keyboard, SpaceOpensARecentJobAndATile) {
    Window window;
    const JobRecord newest = window.jobs->gallery.records().front();
    auto* thumb = window.view->findChild<GalleryThumb*>();
    ASSERT_NE(thumb, nullptr);
    ASSERT_EQ(thumb->record(), newest);
    thumb->setFocus(Qt::TabFocusReason);
    window.press(Qt::Key_Space);
    ASSERT_TRUE(std::holds_alternative<RecordScreen>(window.view->screen()));
    EXPECT_EQ(std::get<RecordScreen>(window.view->screen()).record, newest);

    window.view->goHome();
    QCoreApplication::processEvents();
    auto* tile = window.view->findChild<JobTile*>("jobTile-enhance");
    ASSERT_NE(tile, nullptr);
    tile->setFocus(Qt::TabFocusReason);
    window.press(Qt::Key_Space);
    EXPECT_TRUE(std::holds_alternative<JobScreen>(window.view->screen()));
    EXPECT_EQ(window.view->model().focus()->id, "enhance");
}

// The key that starts a job can stop it: the focus moves from the run button to "Cancel" and back,
// and Tab reaches "Cancel" while the job runs.
TEST(Keyboard, CancelTakesTheFocusFromTheRunButtonAndTabReachesIt) {
    Window window(0);
    window.loadPhoto();
    window.view->openJob(*JobPreset::find("enlarge-2"));
    QCoreApplication::processEvents();
    auto* run = test::child<QAbstractButton>(*window.view, "runButton");
    auto* cancel = test::child<QAbstractButton>(*window.view, "cancelButton");
    run->setFocus(Qt::TabFocusReason);
    // Started and held at its first step, as a long enlargement is.
    window.view->model().setProgress(0.0);
    EXPECT_EQ(window.focused(), cancel);
    window.press(Qt::Key_Space);
    EXPECT_FALSE(window.view->model().progress().has_value());
    EXPECT_EQ(window.focused(), run);

    window.view->model().setProgress(0.3);
    window.view->setFocus(Qt::OtherFocusReason);
    const QStringList stops = walkTabOrder(window).stops;
    EXPECT_EQ(stops.filter("cancelButton").size(), 1) << stops.join('\n').toStdString();
    window.view->model().cancelJob();
}

// A ring shows where Tab put the focus, and goes once the pointer is used again.
TEST(Keyboard, AClickAfterTabLeavesNoRing) {
    Window window(0);
    window.press(Qt::Key_Tab);
    QWidget* tabbed = window.focused();
    ASSERT_NE(tabbed, nullptr);
    EXPECT_TRUE(showsFocusRing(*tabbed));
    auto* about = test::child<QAbstractButton>(*window.view, "aboutButton");
    QTest::mouseClick(about, Qt::LeftButton);
    // The about sheet opened; back in the window, the clicked button has the focus but no ring.
    window.view->findChild<HomeView*>()->aboutSheet()->reject();
    window.view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.view.get()));
    EXPECT_EQ(window.focused(), about);
    EXPECT_FALSE(showsFocusRing(*about));
    window.press(Qt::Key_Tab);
    EXPECT_TRUE(showsFocusRing(*window.focused()));
}

} // namespace
} // namespace orvane
