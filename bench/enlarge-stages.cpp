// Where the time of one command-line enlargement goes: the steps of `orvane enlarge PHOTO --size x4`
// (reading and decoding the photo, getting the network, enlarging tile by tile, encoding the JPEG),
// each timed as the action runs them, in one process, and beside them the network alone over the
// same tiles' inputs: the network's own time, which the whole process is measured against. Run
// through bench/enlarge-road, or by hand:
//
//   bench-enlarge-stages PHOTO [--style fast|detail|art] [--size x2|x4|x8] [--runs N] [--network-only]
//
// Each run is the action from the photo's bytes to the encoded file, then the network alone over the
// run's tiles (their inputs as the network takes them, planar floats, ready beforehand; the run from
// the first layer to the last); the first run also loads the network and builds its plan. Prints
// every run's steps and the best of the runs. --network-only times the network alone, with its plan
// made beforehand, and prints "network SECONDS" for the best run.

#include "bench/BenchSupport.h"
#include "bench/TileInput.h"
#include "core/Render.h"
#include "core/upscale/DeviceLimits.h"
#include "core/upscale/ModelLibrary.h"
#include "core/upscale/TilePlan.h"
#include "core/upscale/UpscaleModel.h"
#include "core/upscale/Upscaler.h"
#include "intents/EnlargeImageIntent.h"
#include "platform/files/FileBytes.h"
#include "platform/networks/Network.h"
#include "platform/networks/detail/TensorImage.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>
#include <string>
#include <sys/resource.h>
#include <vector>

using namespace orvane;
using namespace orvane::bench;

namespace {

constexpr int maxTile = 256;

[[noreturn]] void usage() {
    std::cerr << "usage: bench-enlarge-stages PHOTO [--style fast|detail|art] [--size x2|x4|x8] [--runs N]\n";
    std::exit(2);
}

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

} // namespace

int main(int argc, char** argv) try {
    if (argc < 2) {
        usage();
    }
    const std::string path = argv[1];
    std::string style = "photo";
    std::string size = "x4";
    int runs = 3;
    bool networkOnly = false;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--network-only") {
            networkOnly = true;
        } else if (arg == "--style" && i + 1 < argc) {
            style = argv[++i];
        } else if (arg == "--size" && i + 1 < argc) {
            size = argv[++i];
        } else if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::stoi(argv[++i]));
        } else {
            usage();
        }
    }
    const std::map<std::string, StyleOption> styles{{"fast", StyleOption::photo},
                                                    {"photo", StyleOption::photo},
                                                    {"detail", StyleOption::detail},
                                                    {"art", StyleOption::art}};
    const auto sizeOption = fromRawValue<EnlargeSizeOption>(size);
    if (!styles.contains(style) || !sizeOption) {
        usage();
    }
    EnlargeImageIntent intent;
    intent.style = styles.at(style);
    intent.size = *sizeOption;

    // The network alone over the tiles of the action's first pass.
    const auto networkSeconds = [&] {
        const Bitmap decoded = decodedImage(intent.image);
        const auto upscaler = ModelLibrary::shared().upscaler(model(intent.style));
        const double scale = EnlargeImageIntent::scaleFor(decoded.width(), decoded.height(),
                                                          factor(intent.size), DeviceLimits::maxPixels());
        const std::vector<double> factors = TilePlan::passes(scale, upscaler->modelScale());
        const int tile = upscaler->tileSize(maxTile);
        const TilePlan plan(decoded.width(), decoded.height(), tile, Upscaler::pad, factors.front());
        const NetworkDescription& description = upscaler->model().description();
        const TensorImage::PixelLayout layout{description.pixelRange, description.channelOrder};
        std::vector<std::vector<float>> inputs;
        for (const TilePlan::Tile& t : plan.tiles()) {
            inputs.push_back(TensorImage::fromPixels(inputOf(decoded, t.inputRect), layout));
        }
        (void)upscaler->model().run(inputs.front(), tile, tile); // its plan, made beforehand
        const double seconds = secondsOf([&] {
            for (const std::vector<float>& input : inputs) {
                (void)upscaler->model().run(input, tile, tile);
            }
        });
        return std::pair(seconds, inputs.size());
    };

    intent.image = IntentFile{FileBytes::read(path).value(), path, std::nullopt};
    if (networkOnly) {
        std::vector<double> seconds;
        for (int run = 0; run < runs; ++run) {
            seconds.push_back(networkSeconds().first);
        }
        std::printf("network %.4f\n", *std::min_element(seconds.begin(), seconds.end()));
        return 0;
    }

    std::vector<double> wholes;
    std::vector<double> networks;
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        intent.image = IntentFile{FileBytes::read(path).value(), path, std::nullopt};
        const double read = secondsSince(start);
        std::vector<double> marks;
        const IntentFile out =
            intent.perform([&](const UpscaleProgress&) { marks.push_back(secondsSince(start)); });
        const double whole = secondsSince(start);
        const auto [network, tiles] = networkSeconds();
        std::printf("run %d: whole %.3f s (read %.3f, first tile at %.3f, last tile at %.3f, encoded "
                    "%.3f after it); %zu tiles; the network alone on the first pass's %zu tiles %.3f s; "
                    "whole - network %.3f s; %zu bytes; load %.2f\n",
                    run + 1, whole, read, marks.empty() ? 0 : marks.front(), marks.empty() ? 0 : marks.back(),
                    whole - (marks.empty() ? 0 : marks.back()), marks.size(), tiles, network, whole - network,
                    out.data.size(), loadAverage());
        wholes.push_back(whole);
        networks.push_back(network);
    }
    const double bestWhole = *std::min_element(wholes.begin(), wholes.end());
    const double bestNetwork = *std::min_element(networks.begin(), networks.end());
    std::printf("best: whole %.3f s, network %.3f s, whole / network %.3f, whole - network %.3f s; peak "
                "%.0f MB\n",
                bestWhole, bestNetwork, bestWhole / bestNetwork, bestWhole - bestNetwork, peakMegabytes());
    return 0;
} catch (const std::exception& e) {
    std::cerr << "bench-enlarge-stages: " << e.what() << "\n";
    return 1;
}
