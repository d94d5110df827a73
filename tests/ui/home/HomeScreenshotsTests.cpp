// Writes the home screen's, the about sheet's and the symbols' screenshots, in a light and a dark
// palette, into the folder named by ORVANE_SCREENSHOTS; skipped without it.

#include "editor/JobGallery.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/ui/support/ScreenshotLook.h"
#include "tests/ui/support/WindowTestSupport.h"
#include "ui/home/HomeView.h"
#include "ui/look/Symbols.h"
#include "ui/look/Theme.h"
#include "ui/sheets/AboutView.h"
#include "ui/window/ContentView.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

namespace orvane {
namespace {

// Every symbol at 16, 24 and 48 points, with its name.
QImage symbolSheet() {
    const QStringList names = Symbols::names();
    const int rowHeight = 56;
    QImage sheet(560, rowHeight * names.size() + 16, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Theme::windowBackground());
    QPainter painter(&sheet);
    painter.setFont(Theme::font(Theme::TextStyle::callout));
    int y = 8;
    for (const QString& name : names) {
        painter.setPen(Theme::primary());
        painter.drawText(QRect(12, y, 300, rowHeight), Qt::AlignVCenter, name);
        int x = 330;
        for (const int size : {16, 24, 48}) {
            painter.drawPixmap(x, y + (rowHeight - size) / 2, Symbols::pixmap(name, size, Theme::primary()));
            x += size + 24;
        }
        y += rowHeight;
    }
    return sheet;
}

// A few finished jobs with real thumbnails, newest first.
void addJobs(JobGallery& gallery) {
    QList<JobRecord> records;
    const QStringList titles{"Enlarge 4×", "Remove background", "Enhance", "To JPG", "Blur background"};
    const QStringList symbols{"arrow.up.left.and.arrow.down.right", "person.crop.rectangle", "wand.and.stars",
                              "arrow.triangle.2.circlepath", "camera.aperture"};
    const auto now = std::chrono::system_clock::now();
    for (int index = 0; index < titles.size(); ++index) {
        const JobRecord record{QUuid::createUuid(),
                               titles[index],
                               symbols[index],
                               now - std::chrono::hours(20 * index),
                               480,
                               320,
                               "result.jpg",
                               1000,
                               "JPEG"};
        const auto jobFolder = gallery.root() / uuidString(record.id).toStdString();
        std::filesystem::create_directories(jobFolder);
        test::writePhoto(jobFolder / "thumb.jpg", 240 + 40 * index, 180);
        records << record;
    }
    gallery.setRecords(records);
}

void save(QWidget& widget, const QString& path) {
    QApplication::processEvents();
    QTest::qWait(300);
    widget.grab().save(path);
}

TEST(HomeScreenshots, Write) {
    const QString target = qEnvironmentVariable("ORVANE_SCREENSHOTS");
    if (target.isEmpty()) {
        GTEST_SKIP() << "set ORVANE_SCREENSHOTS to a folder";
    }
    QDir().mkpath(target);
    for (const bool dark : {false, true}) {
        const test::ScreenshotLook look(dark);
        const QString suffix = dark ? "-dark.png" : "-light.png";
        symbolSheet().save(target + "/symbols" + suffix);

        test::TemporaryDirectory folder;
        JobGallery gallery(folder / "Jobs");
        test::waitUntilLoaded(gallery);
        ContentView window(&gallery);
        window.resize(ContentView::defaultSize);
        window.show();
        save(window, target + "/home-empty" + suffix);
        auto* scroll = test::child<QScrollArea>(window, "homeScroll");
        scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
        save(window, target + "/home-empty-bottom" + suffix);
        scroll->verticalScrollBar()->setValue(0);

        addJobs(gallery);
        window.model().loadFile(test::writePhoto(folder / "photo.jpg", 900, 600));
        ASSERT_TRUE(test::waitUntilLoaded(window.model()));
        save(window, target + "/home-photo-jobs" + suffix);

        auto* home = test::child<HomeView>(window, "homeView");
        home->showAbout();
        save(*home->aboutSheet(), target + "/about" + suffix);
        home->aboutSheet()->accept();
    }
}

} // namespace
} // namespace orvane
