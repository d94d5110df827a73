// What the window's process keeps after a job: the editor (EditorModel, as the window drives it)
// loads a photo, then runs each tool given in turn, finished and then cancelled part-way; for each
// job it prints the resident memory before it, the peak while it ran, and the resident memory once
// it has ended and its work has stopped, with the difference from before. Run by hand (bench/roads
// runs it), never by ctest:
//
//   build/bench/bench-job-memory PHOTO [--tools background,enhance,convert,enlarge]
//                                [--cancel-after SECONDS] [--no-cancel] [--no-detail]
//
// The gallery, exports and caches go to a temporary folder of the run's own. --cancel-after: how
// long a job runs before it is cancelled (default 2 s); --no-detail: enhance without the
// network's detail pass (minutes at 12 megapixels on a busy machine).

#include "bench/BenchSupport.h"
#include "editor/EditorModel.h"
#include "editor/ToolWork.h"

#include <QCoreApplication>
#include <QTest>
#include <QThreadPool>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

using namespace orvane;
using namespace orvane::bench;
namespace fs = std::filesystem;

namespace {

// A field of /proc/self/status in MB ("VmRSS", "VmHWM").
double statusMB(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0) {
            std::istringstream values(line.substr(field.size() + 1));
            double kilobytes = 0;
            values >> kilobytes;
            return kilobytes / 1024;
        }
    }
    return 0;
}

// Starts a new peak (VmHWM) from the present resident size.
void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Until the editor's job has ended and its detached work (a cancelled job's goes on) has stopped,
// and what that work posted has been delivered.
void waitForJobEnd(const EditorModel& model) {
    if (!QTest::qWaitFor([&] { return !model.progress(); }, 3'600'000)) {
        throw std::runtime_error("the job did not end within an hour");
    }
    while (!userInitiatedPool().waitForDone(50)) {
        QCoreApplication::processEvents();
    }
    // The export and the gallery's record are written after the job, on pools of their own.
    for (int settle = 0; settle < 4; ++settle) {
        QTest::qWait(500);
        userInitiatedPool().waitForDone();
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
    }
}

Tool toolNamed(const std::string& name) {
    for (const Tool tool : {Tool::enlarge, Tool::background, Tool::enhance, Tool::convert}) {
        if (rawValue(tool) == name) {
            return tool;
        }
    }
    throw std::runtime_error("no tool named " + name);
}

} // namespace

int main(int argc, char** argv) try {
    if (argc < 2) {
        std::cerr << "usage: bench-job-memory PHOTO [--tools LIST] [--cancel-after SECONDS] [--no-cancel] "
                     "[--no-detail]\n";
        return 2;
    }
    const fs::path photo = fs::absolute(argv[1]);
    std::string tools = "background,enhance,convert";
    double cancelAfter = 2;
    bool cancel = true;
    bool detail = true;
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--tools" && i + 1 < argc) {
            tools = argv[++i];
        } else if (argument == "--cancel-after" && i + 1 < argc) {
            cancelAfter = std::stod(argv[++i]);
        } else if (argument == "--no-cancel") {
            cancel = false;
        } else if (argument == "--no-detail") {
            detail = false;
        } else {
            std::cerr << "bench-job-memory: unknown argument " << argument << "\n";
            return 2;
        }
    }
    // Nothing of the user's is read or written.
    const fs::path home = fs::temp_directory_path() / ("bench-job-memory-" + std::to_string(::getpid()));
    fs::create_directories(home / "tmp");
    ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    ::setenv("TMPDIR", (home / "tmp").c_str(), 1);
    struct Cleanup {
        fs::path folder;
        ~Cleanup() {
            std::error_code ignored;
            fs::remove_all(folder, ignored);
        }
    } cleanup{home};

    QCoreApplication application(argc, argv);
    EditorModel model;
    model.loadFile(photo);
    if (!QTest::qWaitFor([&] { return !model.isLoading(); }, 600'000) || !model.original()) {
        throw std::runtime_error("the photo did not load");
    }
    EnhanceOptions enhance = model.enhance();
    enhance.aiDetail = detail;
    model.setEnhance(enhance);
    model.setBackdrop(BackdropChoice::transparent);
    std::printf("bench-job-memory: %s, %d x %d; resident memory in MB\n", photo.filename().c_str(),
                model.original()->width(), model.original()->height());
    std::printf("  %-22s %9s %9s %9s %9s\n", "job", "before", "peak", "after", "after-before");

    std::stringstream list(tools);
    std::string name;
    bool failed = false;
    while (std::getline(list, name, ',')) {
        const Tool tool = toolNamed(name);
        model.setTool(tool);
        for (const bool cancelled : {false, true}) {
            if (cancelled && !cancel) {
                continue;
            }
            QTest::qWait(200);
            const double before = statusMB("VmRSS");
            resetPeak();
            const auto started = Clock::now();
            model.run();
            if (cancelled) {
                // Cancelled part-way, unless it has ended by then.
                if (!QTest::qWaitFor([&] { return !model.progress(); },
                                     static_cast<int>(cancelAfter * 1000))) {
                    model.cancelJob();
                }
            }
            waitForJobEnd(model);
            const double peak = statusMB("VmHWM");
            const double after = statusMB("VmRSS");
            const std::string label = name + (cancelled ? " (cancelled)" : "");
            std::printf("  %-22s %9.0f %9.0f %9.0f %+12.0f   %.1f s%s\n", label.c_str(), before, peak, after,
                        after - before, secondsSince(started),
                        model.errorMessage() ? (" error: " + model.errorMessage()->toStdString()).c_str()
                                             : "");
            failed = failed || model.errorMessage().has_value();
            model.setErrorMessage(std::nullopt);
            model.clearResult();
        }
    }
    return failed ? 1 : 0;
} catch (const std::exception& error) {
    std::cerr << "bench-job-memory: " << error.what() << "\n";
    return 1;
}
