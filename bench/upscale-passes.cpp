// Times the enlarger's passes of every kind on bench/upscale's generated landscape, and splits each
// tile's time into the part inside the network (Network::predict: the tensor's conversions and the
// run) and the part outside it (cutting the input, putting the owned part into the picture,
// resampling it where the pass's factor is not the network's own). Run through
// bench/upscale-passes.
//
// Usage: bench-upscale-passes [--style fast|detail|art] [--runs N] [--size WIDTH HEIGHT]
//
// The kinds: 4× (the network's own factor: copied), 2× and scale 1 (enhance's detail pass) of the
// photo (WIDTH × HEIGHT, default 1200 × 833), and 8× of a photo a quarter as wide and high, whose
// second pass (2 of 4) has the tiles of the 4× pass. Each run enlarges once per kind and then runs
// the network alone over the same tiles' inputs, kind after kind, so that other work on the
// machine falls on all alike; a tile's time runs from one progress report to the next. Medians
// over the runs (default 3, after a warm-up of each kind) are reported.

#include "bench/BenchSupport.h"
#include "bench/LandscapePhoto.h"
#include "bench/TileInput.h"
#include "core/upscale/ModelLibrary.h"
#include "core/upscale/TilePlan.h"
#include "core/upscale/UpscaleModel.h"
#include "core/upscale/Upscaler.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using namespace orvane;
using namespace orvane::bench;

namespace {

constexpr int tile = 256;

struct Kind {
    Kind(std::string kindName, const Bitmap& kindPhoto, double kindScale)
        : name(std::move(kindName))
        , photo(&kindPhoto)
        , scale(kindScale) {}

    std::string name;
    const Bitmap* photo;
    double scale;
    // The pass whose tiles are reported: the last one, the one that resamples when any does.
    int pass = 1;
    // The network inputs of that pass's tiles, for running the network alone.
    std::vector<PixelBuffer> inputs;
    std::vector<double> wholeSeconds;
    std::vector<double> tileSeconds;
    std::vector<double> networkSeconds;
    std::vector<double> loads;
};

[[noreturn]] void usage() {
    std::cerr << "usage: bench-upscale-passes [--style fast|detail|art] [--runs N] [--size WIDTH HEIGHT]\n";
    std::exit(2);
}

} // namespace

int main(int argc, char** argv) try {
    std::string style = "fast";
    int runs = 3;
    int width = 1200;
    int height = 833;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--style" && i + 1 < argc) {
            style = argv[++i];
        } else if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::stoi(argv[++i]));
        } else if (arg == "--size" && i + 2 < argc) {
            width = std::stoi(argv[++i]);
            height = std::stoi(argv[++i]);
        } else {
            usage();
        }
    }
    const std::map<std::string, UpscaleModel> styles{
        {"fast", UpscaleModel::fast}, {"detail", UpscaleModel::detail}, {"art", UpscaleModel::art}};
    if (!styles.contains(style)) {
        usage();
    }
    const auto upscaler = ModelLibrary::shared().upscaler(styles.at(style));
    const Bitmap photo = makeLandscapePhoto(width, height);
    const Bitmap quarter = makeLandscapePhoto(width / 4, height / 4);
    std::printf("photo: %d x %d; for 8x: %d x %d; style %s (%dx network), tiles of %d\n", width, height,
                quarter.width(), quarter.height(), style.c_str(), upscaler->modelScale(),
                upscaler->tileSize(tile));

    std::vector<Kind> kinds;
    kinds.emplace_back("2x", photo, 2);
    kinds.emplace_back("4x", photo, 4);
    kinds.emplace_back("8x", quarter, 8);
    kinds.emplace_back("1x", photo, 1);
    const int size = upscaler->tileSize(tile);
    for (Kind& kind : kinds) {
        const std::vector<double> factors = TilePlan::passes(kind.scale, upscaler->modelScale());
        kind.pass = static_cast<int>(factors.size());
        // Every pass before the last has the network's own factor.
        const Bitmap passInput = factors.size() > 1
                                     ? upscaler->upscale(*kind.photo, kind.scale / factors.back(), tile)
                                     : *kind.photo;
        const TilePlan plan(passInput.width(), passInput.height(), size, Upscaler::pad, factors.back());
        for (const TilePlan::Tile& t : plan.tiles()) {
            kind.inputs.push_back(inputOf(passInput, t.inputRect));
        }
        const Bitmap warm = upscaler->upscale(*kind.photo, kind.scale, tile);
        std::printf(
            "%-3s %zu pass(es), the last at %.3g of the network's factor: %zu tiles; output %d x %d\n",
            kind.name.c_str(), factors.size(), factors.back() / upscaler->modelScale(), kind.inputs.size(),
            warm.width(), warm.height());
    }
    std::printf("\n");

    for (int run = 0; run < runs; ++run) {
        for (Kind& kind : kinds) {
            Clock::time_point last = Clock::now();
            const Clock::time_point start = last;
            upscaler->upscale(*kind.photo, kind.scale, tile, [&](const UpscaleProgress& progress) {
                const Clock::time_point now = Clock::now();
                if (progress.pass == kind.pass) {
                    kind.tileSeconds.push_back(std::chrono::duration<double>(now - last).count());
                }
                last = now;
            });
            kind.wholeSeconds.push_back(secondsSince(start));
            double network = 0;
            for (const PixelBuffer& input : kind.inputs) {
                const Clock::time_point tileStart = Clock::now();
                if (!upscaler->model().predict("input", input, "output")) {
                    throw std::runtime_error("the network gave no output");
                }
                const double seconds = secondsSince(tileStart);
                kind.networkSeconds.push_back(seconds);
                network += seconds;
            }
            kind.loads.push_back(loadAverage());
            std::printf("run %d %-3s: %.3f s, the network alone over the same tiles %.3f s; load %.2f\n",
                        run + 1, kind.name.c_str(), kind.wholeSeconds.back(), network, kind.loads.back());
            std::fflush(stdout);
        }
    }

    std::printf("\n%-5s %5s %9s %9s %9s %9s %8s %8s %8s\n", "kind", "tiles", "whole s", "tile ms", "net ms",
                "out ms", "out %", "vs 4x", "load");
    double fourTile = 0;
    for (const Kind& kind : kinds) {
        if (kind.name == "4x") {
            fourTile = median(kind.tileSeconds);
        }
    }
    for (const Kind& kind : kinds) {
        const double tileMs = 1e3 * median(kind.tileSeconds);
        const double networkMs = 1e3 * median(kind.networkSeconds);
        std::printf("%-5s %5zu %9.3f %9.1f %9.1f %9.1f %7.1f%% %7.3fx %8.2f\n", kind.name.c_str(),
                    kind.inputs.size(), median(kind.wholeSeconds), tileMs, networkMs, tileMs - networkMs,
                    100 * (tileMs - networkMs) / tileMs, tileMs / (1e3 * fourTile), median(kind.loads));
    }
    std::printf(
        "(medians over %d runs; a tile of the reported pass (8x: its second) from one progress report to "
        "the next; net: the network alone on the same tiles; out: the rest, outside the network; vs 4x: "
        "the tile's time over a tile of the 4x pass; load: the 1-minute load average after each run)\n",
        runs);
    return 0;
} catch (const std::exception& e) {
    std::cerr << "bench-upscale-passes: " << e.what() << "\n";
    return 1;
}
