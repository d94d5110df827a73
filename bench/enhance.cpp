// Times the enhancer (Enhancer::enhance, default options) on a generated 12-megapixel photo with
// the detail pass of the fast network and without it (aiDetail off), in the same process, and the
// detail pass (Upscaler::upscale at scale 1, tiles of 256) and each filter alone (each includes
// rendering the whole image). Run through bench/enhance.
//
// Usage: bench-enhance [--runs N] [--detail-runs N | --no-detail] [--size WIDTH HEIGHT] [--tile T]
//
// Each is timed after a warm-up (for the detail pass: one pass on a 1-megapixel crop, which loads
// the network); medians are reported. Defaults: 5 runs without the detail pass, 1 with it (it
// takes tens of seconds).

#include "bench/BenchSupport.h"
#include "bench/background-scenes.h"
#include "core/enhance/Enhancer.h"
#include "core/upscale/ModelLibrary.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

using namespace orvane;

namespace {

using namespace orvane::bench;

int usage() {
    std::cerr << "usage: bench-enhance [--runs N] [--detail-runs N | --no-detail] [--size WIDTH HEIGHT] "
                 "[--tile T]\n";
    return 2;
}

// The top left `width` × `height` of the photo.
Bitmap crop(const Bitmap& photo, int width, int height) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        std::copy_n(photo.pixel(0, y), static_cast<std::size_t>(width) * 4,
                    pixels.data() + static_cast<std::size_t>(y) * width * 4);
    }
    return Bitmap(width, height, photo.alphaInfo(), std::move(pixels));
}

} // namespace

int main(int argc, char** argv) try {
    int runs = 5;
    int detailRuns = 1;
    int width = 4000;
    int height = 3000;
    int tile = 256;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::stoi(argv[++i]));
        } else if (arg == "--detail-runs" && i + 1 < argc) {
            detailRuns = std::max(1, std::stoi(argv[++i]));
        } else if (arg == "--size" && i + 2 < argc) {
            width = std::stoi(argv[++i]);
            height = std::stoi(argv[++i]);
        } else if (arg == "--no-detail") {
            detailRuns = 0;
        } else if (arg == "--tile" && i + 1 < argc) {
            tile = std::stoi(argv[++i]);
        } else {
            return usage();
        }
    }

    const Bitmap photo = benchscene::draw(benchscene::Kind::darkNoisy, width, height).photo;
    std::printf("photo: %d x %d (%.1f MP), a generated dark and noisy person in a room\n", width, height,
                width * static_cast<double>(height) / 1e6);
    const auto upscaler = ModelLibrary::shared().upscaler(UpscaleModel::fast);
    std::printf("detail network: fast, %dx, tiles of %d\n", upscaler->modelScale(), upscaler->tileSize(tile));

    EnhanceOptions plain;
    plain.aiDetail = false;
    const EnhanceOptions detailed; // the defaults: every step, strength 0.5

    Bitmap result = Enhancer::enhance(photo, plain, upscaler.get());
    std::printf("filters' result: fingerprint %016llx\n",
                static_cast<unsigned long long>(fingerprint(result.pixels())));
    std::vector<double> without;
    for (int i = 0; i < runs; ++i) {
        without.push_back(secondsOf([&] { result = Enhancer::enhance(photo, plain, upscaler.get()); }));
    }

    // Each filter alone, as applyFilters runs it.
    struct Step {
        const char* label;
        bool autoLight, reduceNoise, sharpen;
    };
    const Step steps[] = {{"  auto light alone", true, false, false},
                          {"  noise reduction alone", false, true, false},
                          {"  unsharp mask alone", false, false, true}};
    std::vector<std::vector<double>> stepTimes(std::size(steps));
    for (int i = 0; i < runs; ++i) {
        for (std::size_t k = 0; k < std::size(steps); ++k) {
            const Step& step = steps[k];
            stepTimes[k].push_back(secondsOf([&] {
                result = Enhancer::applyFilters(photo, step.autoLight, step.reduceNoise, step.sharpen, 0.5);
            }));
        }
    }

    std::vector<double> with, pass;
    if (detailRuns > 0) {
        upscaler->upscale(crop(photo, std::min(width, 1000), std::min(height, 1000)), 1.0, tile);
        for (int i = 0; i < detailRuns; ++i) {
            pass.push_back(secondsOf([&] { result = upscaler->upscale(photo, 1.0, tile); }));
            with.push_back(secondsOf([&] { result = Enhancer::enhance(photo, detailed, upscaler.get()); }));
        }
    }

    std::printf("\nseconds (medians)\n");
    std::printf("%-40s %5s %8s %8s %8s\n", "", "runs", "median", "min", "max");
    auto row = [](const char* label, const std::vector<double>& values) {
        std::printf("%-40s %5zu %8.3f %8.3f %8.3f\n", label, values.size(), median(values),
                    *std::min_element(values.begin(), values.end()),
                    *std::max_element(values.begin(), values.end()));
    };
    row("enhance, aiDetail off (filters only)", without);
    for (std::size_t k = 0; k < std::size(steps); ++k) {
        row(steps[k].label, stepTimes[k]);
    }
    if (with.empty()) {
        return 0;
    }
    row("enhance with the detail pass (fast)", with);
    row("  the detail pass alone (upscale at 1x)", pass);
    const double total = median(with);
    std::printf(
        "share of the detail pass: %.1f %% by difference ((with - without) / with), %.1f %% by the pass "
        "alone\n",
        100.0 * (total - median(without)) / total, 100.0 * median(pass) / total);
    return 0;
} catch (const std::exception& e) {
    std::cerr << "bench-enhance: " << e.what() << "\n";
    return 1;
}
