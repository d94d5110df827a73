// The window's responsiveness. Two measurements, each beside a reference taken in the same run:
//
//   bench-window startup PHOTO     the time from process start to the home screen's first painted
//                                  frame, and to the frame that first shows the photo given as if on
//                                  the command line; the reference is decoding that photo's
//                                  preview alone, right after, in the same process.
//   bench-window stall PHOTO       the longest gap between 10 ms timer ticks on the main thread while
//                                  the window enlarges the photo 4× (and its 99th percentile); the
//                                  reference is the same timer on the idle window just before.
//   bench-window memory PHOTO      the window's resident memory after a max-detail enlargement of the
//                                  photo 4× has finished, and after a second one was cancelled a
//                                  third of the way through; the reference is the memory just before
//                                  the first, with the photo loaded (goal: within 500 MB of it).
//
// Runs under any Qt platform (bench/window sets the offscreen one). Never part of the test suite.

#include "BenchSupport.h"
#include "core/ImageFiles.h"
#include "editor/EditorModel.h"
#include "editor/JobGallery.h"
#include "editor/ToolWork.h"
#include "ui/home/HomeView.h"
#include "ui/job/EditorPage.h"
#include "ui/window/ContentView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace orvane;

namespace {

// Seconds since this process started, from the kernel's start time (in clock ticks since boot).
double secondsSinceProcessStart() {
    std::ifstream statFile("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(statFile)), {});
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    for (int index = 3; index <= 22; ++index) {
        fields >> field;
    }
    const double started = std::stod(field) / static_cast<double>(sysconf(_SC_CLK_TCK));
    double uptime = 0;
    std::ifstream("/proc/uptime") >> uptime;
    return uptime - started;
}

// Records when a widget of the given type first paints after `armed` is set.
class PaintWatch : public QObject {
public:
    std::function<bool(QObject*)> matches;
    std::function<void()> onPaint;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Paint && matches && matches(object)) {
            auto callback = onPaint;
            QTimer::singleShot(0, [callback] { callback(); });
        }
        return false;
    }
};

int startup(const fs::path& photo) {
    // The process started before main; that time is on the clock already.
    const QTemporaryDir home;
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    int argc = 1;
    char name[] = "bench-window";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    std::optional<double> firstFrame, photoShown;

    PaintWatch watch;
    application.installEventFilter(&watch);
    ContentView window;
    watch.matches = [](QObject* object) { return qobject_cast<HomeView*>(object) != nullptr; };
    watch.onPaint = [&] {
        if (!firstFrame) {
            firstFrame = secondsSinceProcessStart();
        } else if (!photoShown && window.model().originalPreview()) {
            photoShown = secondsSinceProcessStart();
            QApplication::quit();
        }
    };
    QObject::connect(&window.model(), &EditorModel::originalPreviewChanged, &window, [&] {
        if (auto* home = window.findChild<HomeView*>()) {
            home->update();
        }
    });
    window.resize(ContentView::defaultSize);
    window.show();
    const QUrl url = QUrl::fromLocalFile(QString::fromStdString(fs::absolute(photo).string()));
    QTimer::singleShot(0, &window, [&] { window.handleDrop({url}); });
    QTimer::singleShot(60000, &application, &QApplication::quit);
    QApplication::exec();

    const double decode = bench::secondsOf([&] { ImageFiles::loadFromURL(photo, EditorModel::previewMax); });
    if (!firstFrame || !photoShown) {
        std::cerr << "bench-window: the window never showed the photo\n";
        return 1;
    }
    std::printf("first frame of the home screen   %.3f s after process start (goal ≤ 1.5 s)\n", *firstFrame);
    std::printf("first frame showing the photo    %.3f s after process start\n", *photoShown);
    std::printf("reference: preview decode alone  %.3f s\n", decode);
    std::printf("photo shown − first frame        %.3f s = %.2f × the decode alone\n",
                *photoShown - *firstFrame, (*photoShown - *firstFrame) / decode);
    return *firstFrame <= 1.5 ? 0 : 1;
}

struct Gaps {
    double longest = 0;
    double p99 = 0;
    int ticks = 0;
};

// Ticks a 10 ms timer on the main thread until `done` holds, and returns the gaps between ticks.
Gaps measureGaps(const std::function<bool()>& done, int minimumMilliseconds) {
    std::vector<double> gaps;
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(10);
    QEventLoop loop;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        gaps.push_back((now - last) / 1e6);
        last = now;
        if (clock.elapsed() >= minimumMilliseconds && done()) {
            loop.quit();
        }
    });
    timer.start();
    loop.exec();
    Gaps result;
    result.ticks = static_cast<int>(gaps.size());
    std::sort(gaps.begin(), gaps.end());
    result.longest = gaps.empty() ? 0 : gaps.back();
    result.p99 = gaps.empty() ? 0 : gaps[std::min(gaps.size() - 1, gaps.size() * 99 / 100)];
    return result;
}

int stall(const fs::path& photo) {
    const QTemporaryDir home;
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    int argc = 1;
    char name[] = "bench-window";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    ContentView window;
    window.resize(ContentView::defaultSize);
    window.show();
    EditorModel& model = window.model();
    model.loadFile(photo);
    measureGaps([&] { return model.original() && !model.isLoading(); }, 0);
    window.openJob(*JobPreset::find("enlarge-4"));

    const Gaps idle = measureGaps([] { return true; }, 2000);
    QElapsedTimer clock;
    clock.start();
    model.run();
    const Gaps running = measureGaps([&] { return !model.progress() && !model.isPreparingExport(); }, 0);
    const double seconds = clock.elapsed() / 1000.0;
    if (!model.resultInfo()) {
        std::cerr << "bench-window: the enlargement did not finish: "
                  << model.errorMessage().value_or("no message").toStdString() << '\n';
        return 1;
    }
    std::printf("idle window        longest gap %6.1f ms, p99 %5.1f ms over %d ticks\n", idle.longest,
                idle.p99, idle.ticks);
    std::printf(
        "while enlarging    longest gap %6.1f ms, p99 %5.1f ms over %d ticks (%.1f s; goal < 50 ms)\n",
        running.longest, running.p99, running.ticks, seconds);
    std::printf("ratio (longest, enlarging / idle)  %.2f\n", running.longest / std::max(idle.longest, 1e-3));
    return running.longest < 50 ? 0 : 1;
}

// The process's resident memory now, in MB.
double residentMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmRSS:")) {
            return std::stod(line.substr(6)) / 1024.0;
        }
    }
    return -1;
}

double peakMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmHWM:")) {
            return std::stod(line.substr(6)) / 1024.0;
        }
    }
    return -1;
}

int memory(const fs::path& photo) {
    const QTemporaryDir home;
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    int argc = 1;
    char name[] = "bench-window";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    ContentView window;
    window.resize(ContentView::defaultSize);
    window.show();
    EditorModel& model = window.model();
    model.loadFile(photo);
    measureGaps([&] { return model.original() && !model.isLoading(); }, 0);
    window.openJob(*JobPreset::find("enlarge-4"));
    model.setModel(UpscaleModel::detail);
    measureGaps([] { return true; }, 500);
    const double before = residentMegabytes();

    QElapsedTimer clock;
    clock.start();
    model.run();
    measureGaps([&] { return !model.progress() && !model.isPreparingExport(); }, 0);
    const double finishedSeconds = clock.elapsed() / 1000.0;
    if (!model.resultInfo()) {
        std::cerr << "bench-window: the enlargement did not finish: "
                  << model.errorMessage().value_or("no message").toStdString() << '\n';
        return 1;
    }
    measureGaps([] { return true; }, 1000);
    const double finished = residentMegabytes();
    const double peak = peakMegabytes();

    model.run();
    measureGaps([&] { return model.progress().value_or(1) >= 0.34; }, 0);
    model.cancelJob();
    // The cancelled work stops at its next tile; what it used is given back when it has.
    measureGaps([] { return userInitiatedPool().activeThreadCount() == 0; }, 0);
    measureGaps([] { return true; }, 500);
    const double cancelled = residentMegabytes();

    std::printf("max-detail enlargement 4x in the window (%.1f s); resident memory (load %.2f):\n",
                finishedSeconds, orvane::bench::loadAverage());
    std::printf("  before the job (photo loaded)        %7.0f MB\n", before);
    std::printf("  peak                                 %7.0f MB\n", peak);
    std::printf("  after it finished (result shown)     %7.0f MB  (+%.0f MB; goal at most +500)\n", finished,
                finished - before);
    std::printf("  after a second one was cancelled     %7.0f MB  (+%.0f MB; goal at most +500)\n", cancelled,
                cancelled - before);
    return finished - before <= 500 && cancelled - before <= 500 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc == 3 ? argv[1] : "";
    if (mode != "startup" && mode != "stall" && mode != "memory") {
        std::cerr << "usage: bench-window startup|stall|memory PHOTO\n";
        return 2;
    }
    return mode == "startup" ? startup(argv[2]) : mode == "stall" ? stall(argv[2]) : memory(argv[2]);
}
