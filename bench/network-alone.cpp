// The network's own time for a 4x enlargement of a photo: the style's network runs once over every
// tile that the enlarger would cut from the photo (tiles of 256 px with the enlarger's pad), one
// tile after another, in one plan of the network built before the clock starts, with every tile's
// input prepared beforehand and the outputs left where the network wrote them. What a whole `orvane enlarge`
// spends beyond this is the part outside the network. bench/roads runs it beside the command line; run by
// hand, never by ctest:
//
//   build/bench/bench-network-alone PHOTO [--style fast|detail|art] [--runs N]
//
// Prints one line per run: "network-alone SECONDS TILES PRECISION".

#include "bench/BenchSupport.h"
#include "core/ImageFiles.h"
#include "core/upscale/TilePlan.h"
#include "core/upscale/UpscaleModel.h"
#include "core/upscale/Upscaler.h"
#include "platform/application/ApplicationResources.h"
#include "platform/image/ImageSource.h"
#include "platform/networks/NetworkGraph.h"
#include "platform/networks/NetworkPrecision.h"
#include "platform/networks/detail/NetworkPlan.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

using namespace orvane;
using namespace orvane::bench;
namespace fs = std::filesystem;

int main(int argc, char** argv) try {
    if (argc < 2) {
        std::cerr << "usage: bench-network-alone PHOTO [--style fast|detail|art] [--runs N]\n";
        return 2;
    }
    UpscaleModel model = UpscaleModel::fast;
    int runs = 1;
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--style" && i + 1 < argc) {
            const std::string style = argv[++i];
            model = style == "detail" ? UpscaleModel::detail
                    : style == "art"  ? UpscaleModel::art
                                      : UpscaleModel::fast;
        } else if (argument == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::stoi(argv[++i]));
        } else {
            std::cerr << "bench-network-alone: unknown argument " << argument << "\n";
            return 2;
        }
    }
    const auto source = ImageSource::createFromFile(argv[1]);
    if (!source) {
        throw std::runtime_error("the photo can't be read");
    }
    const Bitmap photo = ImageFiles::decode(*source, std::nullopt);
    const auto folder = ApplicationResources::modelsFolder();
    if (!folder) {
        throw std::runtime_error("the networks aren't installed");
    }
    const NetworkGraph graph = NetworkGraph::read(*folder / (std::string(rawValue(model)) + ".mlmodelc"));
    const dnnl::engine engine(dnnl::engine::kind::cpu, 0);
    NetworkWeights weights(graph, engine);
    const NetworkPrecision precision = NetworkPrecisions::preferred();

    constexpr int tile = 256;
    const TilePlan tiling(photo.width(), photo.height(), tile, Upscaler::pad, 4.0);
    // Each tile's square of the photo, edges repeated, as planar values from 0 to 1.
    std::vector<std::vector<float>> inputs;
    const std::size_t plane = static_cast<std::size_t>(tile) * tile;
    for (const auto& square : tiling.tiles()) {
        std::vector<float> planar(3 * plane);
        for (int y = 0; y < tile; ++y) {
            const auto sy = std::clamp<std::int64_t>(square.inputRect.y + y, 0, photo.height() - 1);
            for (int x = 0; x < tile; ++x) {
                const auto sx = std::clamp<std::int64_t>(square.inputRect.x + x, 0, photo.width() - 1);
                const std::uint8_t* pixel = photo.pixels().data() + sy * photo.bytesPerRow() + sx * 4;
                for (int c = 0; c < 3; ++c) {
                    planar[c * plane + static_cast<std::size_t>(y) * tile + x] = pixel[c] / 255.0f;
                }
            }
        }
        inputs.push_back(std::move(planar));
    }
    NetworkPlan plan(graph, weights, tile, tile, precision, engine);
    plan.run(inputs.front().data()); // the first run touches the plan's buffers
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        for (const auto& input : inputs) {
            plan.run(input.data());
        }
        std::printf("network-alone %.4f %zu %s\n", secondsSince(start), inputs.size(),
                    std::string(rawValue(precision)).c_str());
        std::fflush(stdout);
    }
    return 0;
} catch (const std::exception& error) {
    std::cerr << "bench-network-alone: " << error.what() << "\n";
    return 1;
}
