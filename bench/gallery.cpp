// The gallery screen with many jobs. For a gallery of N jobs (500 unless given), it measures:
//
//   - the time from asking the window for the gallery screen to its first painted frame with the
//     grid on it, cold (no thumbnail decoded yet) and warm (median of later openings);
//   - when every thumbnail in sight has been decoded and painted, after that first frame;
//   - scrolling the whole grid a quarter screen at a time: the longest and the median repaint.
//
// The reference, measured in the same run and window size: a plain QListView in icon mode over N
// text rows, to its first painted frame, and its scroll repaints.
//
// Never part of the test suite: bench/gallery [JOBS].

#include "BenchSupport.h"
#include "editor/JobGallery.h"
#include "ui/gallery/GalleryGrid.h"
#include "ui/gallery/GalleryThumb.h"
#include "ui/gallery/GalleryView.h"
#include "ui/window/ContentView.h"

#include <QApplication>
#include <QListView>
#include <QScrollArea>
#include <QScrollBar>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <iostream>

namespace fs = std::filesystem;
using namespace orvane;
using bench::Clock;

namespace {

// A photo-like result, so that the thumbnails decode like real ones.
Bitmap resultImage(int width, int height, std::uint32_t seed) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel = pixels.data() + (static_cast<std::size_t>(y) * width + x) * 4;
            const float n = bench::fbm(x / 90.0f, y / 90.0f, 4, seed);
            pixel[0] = static_cast<std::uint8_t>(255 * n);
            pixel[1] = static_cast<std::uint8_t>(255 * (1 - n) * y / height);
            pixel[2] = static_cast<std::uint8_t>(255 * x / width);
            pixel[3] = 255;
        }
    }
    return Bitmap(width, height, AlphaInfo::noneSkipLast, std::move(pixels));
}

void writeJobs(const fs::path& root, int count) {
    std::vector<Bitmap> results;
    for (std::uint32_t seed = 0; seed < 8; ++seed) {
        results.push_back(resultImage(720, 540, seed));
    }
    for (int i = 0; i < count; ++i) {
        const QUuid id = QUuid::createUuid();
        const Bitmap& result = results[static_cast<std::size_t>(i) % results.size()];
        if (!JobGallery::writeJob(root / uuidString(id).toStdString(), id, result, result,
                                  QStringLiteral("Enlarge 4×"), QStringLiteral("wand.and.stars"),
                                  QStringLiteral("720 × 540"), QStringLiteral("photo-%1").arg(i), false,
                                  std::nullopt, std::nullopt)) {
            std::cerr << "bench-gallery: could not write a job\n";
            std::exit(1);
        }
    }
}

// Seconds from `start` to the first paint of a widget that `matches`, running the event loop.
double toFirstPaint(const std::function<void()>& start, const std::function<bool(QObject*)>& matches) {
    struct Watch : QObject {
        std::function<bool(QObject*)> matches;
        std::optional<Clock::time_point> painted;
        bool eventFilter(QObject* object, QEvent* event) override {
            if (!painted && event->type() == QEvent::Paint && matches(object)) {
                // The frame is done once this paint has run; it runs right after this filter.
                QTimer::singleShot(0, [this] { painted = Clock::now(); });
                matches = [](QObject*) { return false; };
            }
            return false;
        }
    } watch;
    watch.matches = matches;
    qApp->installEventFilter(&watch);
    const auto began = Clock::now();
    start();
    (void)QTest::qWaitFor([&] { return watch.painted.has_value(); }, 30000);
    qApp->removeEventFilter(&watch);
    return watch.painted ? std::chrono::duration<double>(*watch.painted - began).count() : -1;
}

struct Scroll {
    double longest = 0;
    double median = 0;
};

// Repaints `area` at every quarter screen from top to bottom.
Scroll scrollThrough(QAbstractScrollArea& area) {
    std::vector<double> steps;
    QScrollBar* bar = area.verticalScrollBar();
    const int step = std::max(1, area.viewport()->height() / 4);
    for (int value = 0; value <= bar->maximum(); value += step) {
        steps.push_back(bench::secondsOf([&] {
            bar->setValue(value);
            QCoreApplication::processEvents();
            area.viewport()->repaint();
        }));
    }
    bar->setValue(0);
    Scroll result;
    if (!steps.empty()) {
        result.longest = *std::max_element(steps.begin(), steps.end());
        result.median = bench::median(steps);
    }
    return result;
}

} // namespace

int main(int argc, char** argv) {
    const int jobs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;
    const QTemporaryDir home;
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    qputenv("XDG_CACHE_HOME", (home.path() + "/cache").toUtf8());
    QApplication application(argc, argv);
    const fs::path root = fs::path(home.path().toStdString()) / "Jobs";
    const double writing = bench::secondsOf([&] { writeJobs(root, jobs); });
    std::printf("%d jobs written in %.1f s\n", jobs, writing);

    JobGallery gallery(root);
    (void)QTest::qWaitFor([&] { return gallery.isLoaded(); }, 60000);
    if (gallery.records().size() != jobs) {
        std::cerr << "bench-gallery: the gallery read " << gallery.records().size() << " jobs\n";
        return 1;
    }

    // Reference: a plain icon-mode list of as many rows, in a window of the same size.
    QStringList titles;
    for (int i = 0; i < jobs; ++i) {
        titles << QStringLiteral("Job %1").arg(i);
    }
    QStringListModel plainModel(titles);
    QWidget plainWindow;
    plainWindow.resize(ContentView::defaultSize);
    QListView* plain = nullptr;
    const double plainFirst = toFirstPaint(
        [&] {
            plain = new QListView(&plainWindow);
            plain->setViewMode(QListView::IconMode);
            plain->setResizeMode(QListView::Adjust);
            plain->setGridSize(QSize(162, 190));
            plain->setUniformItemSizes(true);
            plain->setModel(&plainModel);
            plain->resize(plainWindow.size());
            plainWindow.show();
        },
        [&](QObject* object) { return plain && object == plain->viewport(); });
    const Scroll plainScroll = scrollThrough(*plain);
    plainWindow.hide();

    ContentView window(&gallery);
    window.resize(ContentView::defaultSize);
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    const auto isThumb = [](QObject* object) { return qobject_cast<GalleryThumb*>(object) != nullptr; };

    const auto coldStart = Clock::now();
    const double cold = toFirstPaint([&] { window.openGallery(); }, isThumb);
    // Thumbnails fill in afterwards, off the main thread.
    auto* grid = window.findChild<GalleryGrid*>();
    const auto allShown = [&] {
        const auto thumbs = grid->thumbs();
        return std::all_of(thumbs.begin(), thumbs.end(),
                           [](GalleryThumb* thumb) { return thumb->hasImage(); });
    };
    (void)QTest::qWaitFor(allShown, 60000);
    QCoreApplication::processEvents();
    const double filled = bench::secondsSince(coldStart);
    const auto inSight = grid->thumbs().size();
    auto* scrollArea = window.findChild<QScrollArea*>("galleryScrollArea");
    const Scroll scroll = scrollThrough(*scrollArea);

    std::vector<double> warm;
    for (int run = 0; run < 5; ++run) {
        window.goHome();
        QCoreApplication::processEvents();
        warm.push_back(toFirstPaint([&] { window.openGallery(); }, isThumb));
    }
    const double warmMedian = bench::median(warm);

    std::printf("gallery of %d jobs, window %d × %d, %lld thumbnails in sight\n", jobs,
                ContentView::defaultSize.width(), ContentView::defaultSize.height(),
                static_cast<long long>(inSight));
    std::printf("reference: plain icon list, first frame     %7.1f ms\n", plainFirst * 1000);
    std::printf("gallery screen, first frame (cold)          %7.1f ms = %.2f × reference (goal < 300 ms)\n",
                cold * 1000, cold / plainFirst);
    std::printf("gallery screen, first frame (warm, median)  %7.1f ms = %.2f × reference\n",
                warmMedian * 1000, warmMedian / plainFirst);
    std::printf("thumbnails in sight all shown after         %7.1f ms\n", filled * 1000);
    std::printf("scroll repaint, reference longest / median  %7.2f / %.2f ms\n", plainScroll.longest * 1000,
                plainScroll.median * 1000);
    std::printf("scroll repaint, gallery longest / median    %7.2f / %.2f ms = %.2f × reference median\n",
                scroll.longest * 1000, scroll.median * 1000,
                scroll.median / std::max(plainScroll.median, 1e-9));
    return cold < 0.3 ? 0 : 1;
}
