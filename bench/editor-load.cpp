// How long loading a photo into the editor holds up the main thread. For a generated 24-megapixel
// JPEG (or the photo given), in the same process:
// - reference: reading, decoding and reducing it to the 4096-pixel preview on the calling thread,
//   as a load did when it ran on the main thread;
// - EditorModel::loadFile: how long the call itself takes, how long until the photo is the source,
//   and the longest gap between the ticks of a 10 ms timer on the main thread meanwhile.
// Medians of the runs are reported. Run by hand, never by ctest:
//
//   build/bench/bench-editor-load [--runs N] [PHOTO]

#include "bench/BenchSupport.h"
#include "core/ImageFiles.h"
#include "core/Render.h"
#include "editor/EditorModel.h"
#include "platform/files/FileBytes.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

using namespace orvane;
using namespace orvane::bench;
namespace fs = std::filesystem;

namespace {

Bitmap generatedPhoto(int width, int height) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = pixels.data() + static_cast<std::size_t>(y) * width * 4;
        for (int x = 0; x < width; ++x) {
            const float n = fbm(static_cast<float>(x) / 300, static_cast<float>(y) / 300, 5, 7);
            const float grain = lattice(x, y, 11) * 12;
            row[x * 4 + 0] = static_cast<std::uint8_t>(std::clamp(n * 230 + grain, 0.0f, 255.0f));
            row[x * 4 + 1] = static_cast<std::uint8_t>(std::clamp(n * 200 + 20 + grain, 0.0f, 255.0f));
            row[x * 4 + 2] = static_cast<std::uint8_t>(std::clamp(255 - n * 180 + grain, 0.0f, 255.0f));
            row[x * 4 + 3] = 255;
        }
    }
    return Bitmap(width, height, AlphaInfo::noneSkipLast, std::move(pixels));
}

struct LoadTimes {
    double call = 0;
    double applied = 0;
    double longestGap = 0;
};

// One load, with the event loop running until it is applied.
LoadTimes timeLoad(const fs::path& photo) {
    EditorModel model;
    QEventLoop loop;
    QTimer ticks;
    LoadTimes times;
    auto lastTick = Clock::now();
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const auto now = Clock::now();
        times.longestGap = std::max(times.longestGap, std::chrono::duration<double>(now - lastTick).count());
        lastTick = now;
    });
    QObject::connect(&model, &EditorModel::isLoadingChanged, [&] {
        if (!model.isLoading()) {
            loop.quit();
        }
    });
    ticks.start(10);
    const auto start = Clock::now();
    lastTick = start;
    model.loadFile(photo);
    times.call = secondsSince(start);
    loop.exec();
    times.applied = secondsSince(start);
    // The gap that ends when the load is applied counts as well.
    times.longestGap = std::max(times.longestGap, secondsSince(lastTick));
    if (!model.original() || model.errorMessage()) {
        throw std::runtime_error("the photo did not load");
    }
    return times;
}

} // namespace

int main(int argc, char** argv) try {
    QCoreApplication application(argc, argv);
    int runs = 5;
    fs::path photo;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::stoi(argv[++i]));
        } else {
            photo = arg;
        }
    }
    const fs::path generated = fs::temp_directory_path() / "orvane-bench-editor-load.jpg";
    if (photo.empty()) {
        ImageFiles::save(generatedPhoto(6000, 4000), generated, ImageFiles::Format::jpeg, 0.9);
        photo = generated;
    }

    std::vector<double> reference, call, applied, gap;
    timeLoad(photo); // warm-up: thread pool, decoders, caches
    for (int run = 0; run < runs; ++run) {
        reference.push_back(secondsOf([&] {
            const auto bytes = FileBytes::read(photo);
            const Bitmap image = ImageFiles::loadFromData(std::make_shared<const Bytes>(*bytes));
            static_cast<void>(Render::downscaled(image, EditorModel::previewMax));
        }));
        const LoadTimes times = timeLoad(photo);
        call.push_back(times.call);
        applied.push_back(times.applied);
        gap.push_back(times.longestGap);
    }
    std::error_code ignored;
    fs::remove(generated, ignored);

    const double ref = median(reference);
    std::printf("photo: %s, %d runs (medians)\n", photo.c_str(), runs);
    std::printf("reference, load on the calling thread: %8.1f ms\n", ref * 1000);
    std::printf("loadFile call:                         %8.2f ms  (%.4f of the reference)\n",
                median(call) * 1000, median(call) / ref);
    std::printf("until applied:                         %8.1f ms  (%.2f of the reference)\n",
                median(applied) * 1000, median(applied) / ref);
    std::printf("longest main-thread gap (10 ms timer): %8.1f ms  (%.3f of the reference)\n",
                median(gap) * 1000, median(gap) / ref);
    return 0;
} catch (const std::exception& error) {
    std::cerr << "bench-editor-load: " << error.what() << '\n';
    return 1;
}
