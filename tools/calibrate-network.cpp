// Finds the range of values each activation of a network takes on the calibration pictures, for
// quantise-network.py: the smallest and largest value of every output of INSTRUMENTED.onnx
// (quantise-network.py instrument writes such a copy of a package's network, with every tensor to
// quantise as an output, the network's own output included). Runs ONNX Runtime, as the application does; the
// float network takes seconds here where the numpy evaluator takes minutes.
//
// Usage: calibrate-network PACKAGE.mlpackage INSTRUMENTED.onnx RANGES.json [--crop N] [--crops N]
//        PICTURE...
//
// Each picture is cut into --crops squares (default 4) of --crop pixels (default 128) on a fixed
// grid, so every run gives the same ranges. RANGES.json: each tensor's range per channel (axis 1):
// {"tensor": [[min, max], ...], ...}.

#include "core/ImageFiles.h"
#include "platform/files/AtomicFile.h"
#include "platform/networks/Network.h"
#include "platform/networks/NetworkManifest.h"
#include "platform/networks/OnnxEnvironment.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <onnxruntime_cxx_api.h>
#include <string>
#include <thread>
#include <vector>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

struct Place {
    int x;
    int y;
};

// A grid of `count` crops spread over the picture, corners included.
std::vector<Place> cropPlaces(int width, int height, int crop, int count) {
    if (width < crop || height < crop) {
        throw std::runtime_error("a calibration picture of " + std::to_string(width) + " x " +
                                 std::to_string(height) + " is smaller than a crop of " +
                                 std::to_string(crop));
    }
    const int columns = std::max(1, static_cast<int>(std::ceil(std::sqrt(count * double(width) / height))));
    const int rows = std::max(1, (count + columns - 1) / columns);
    std::vector<Place> places;
    for (int index = 0; index < count; ++index) {
        const int row = index / columns;
        const int column = index % columns;
        places.push_back(
            {columns == 1 ? 0 : static_cast<int>(std::lround(column * double(width - crop) / (columns - 1))),
             rows == 1 ? 0 : static_cast<int>(std::lround(row * double(height - crop) / (rows - 1)))});
    }
    return places;
}

// Outputs are requested a group at a time, each group's within this many bytes: every output of a
// run stays in memory until the run ends, and the largest networks have hundreds of wide
// activations. Fewer groups mean fewer runs of the whole network.
constexpr double bytesPerRun = 1.5e9;

[[noreturn]] void usage() {
    std::cerr << "usage: calibrate-network PACKAGE.mlpackage INSTRUMENTED.onnx RANGES.json [--crop N] "
                 "[--crops N] PICTURE...\n";
    std::exit(2);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        usage();
    }
    const fs::path package = argv[1];
    const fs::path network = argv[2];
    const fs::path rangesFile = argv[3];
    int crop = 128;
    int crops = 4;
    std::vector<fs::path> pictures;
    for (int i = 4; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--crop" || arg == "--crops") && i + 1 < argc) {
            (arg == "--crop" ? crop : crops) = std::stoi(argv[++i]);
        } else if (arg.starts_with("--")) {
            usage();
        } else {
            pictures.emplace_back(arg);
        }
    }
    if (pictures.empty() || crop < 1 || crops < 1) {
        usage();
    }
    try {
        const auto manifest = NetworkManifest::read(package, NetworkManifest::packageFormat);
        const auto description = NetworkDescription::read(package / manifest.description);
        const bool bgr = description.channelOrder == "BGR";
        const auto scale = static_cast<float>(description.pixelRange / 255.0);

        Ort::SessionOptions options;
        options.SetIntraOpNumThreads(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
        Ort::Session session(onnxEnvironment(), network.c_str(), options);
        Ort::AllocatorWithDefaultOptions allocator;
        std::vector<std::string> names;
        // Where each group of outputs starts in `names`, and where the last ends.
        std::vector<std::size_t> groups{0};
        double groupBytes = 0;
        for (std::size_t i = 0; i < session.GetOutputCount(); ++i) {
            std::string name = session.GetOutputNameAllocated(i, allocator).get();
            // An output at a larger scale than the input is rare enough to be left out of the count.
            const auto dims = session.GetOutputTypeInfo(i).GetTensorTypeAndShapeInfo().GetShape();
            const double channels = dims.size() == 4 && dims[1] > 0 ? static_cast<double>(dims[1]) : 64;
            const double bytes = channels * crop * crop * sizeof(float);
            if (groupBytes + bytes > bytesPerRun && groups.back() != names.size()) {
                groups.push_back(names.size());
                groupBytes = 0;
            }
            groupBytes += bytes;
            names.push_back(std::move(name));
        }
        groups.push_back(names.size());
        using Range = std::pair<float, float>;
        std::map<std::string, std::vector<Range>> ranges;
        // The data input is whole bytes, and its full range quantises them exactly.
        ranges["input"].assign(3, Range{0.0f, static_cast<float>(description.pixelRange)});

        const auto memory = Ort::MemoryInfo::CreateCpu(OrtDeviceAllocator, OrtMemTypeCPU);
        const std::array<std::int64_t, 4> shape = {1, 3, crop, crop};
        const auto plane = static_cast<std::size_t>(crop) * crop;
        std::vector<float> tensor(plane * 3);
        for (const fs::path& path : pictures) {
            const Bitmap picture = ImageFiles::loadFromURL(path);
            for (const Place place : cropPlaces(picture.width(), picture.height(), crop, crops)) {
                for (int y = 0; y < crop; ++y) {
                    for (int x = 0; x < crop; ++x) {
                        // Bitmap pixels are RGBA.
                        const std::uint8_t* pixel = picture.pixel(place.x + x, place.y + y);
                        for (int c = 0; c < 3; ++c) {
                            tensor[c * plane + static_cast<std::size_t>(y) * crop + x] =
                                static_cast<float>(pixel[bgr ? 2 - c : c]) * scale;
                        }
                    }
                }
                const Ort::Value input = Ort::Value::CreateTensor<float>(memory, tensor.data(), tensor.size(),
                                                                         shape.data(), shape.size());
                const char* const inputNames[] = {"input"};
                for (std::size_t group = 0; group + 1 < groups.size(); ++group) {
                    const std::size_t first = groups[group];
                    const std::size_t count = groups[group + 1] - first;
                    std::vector<const char*> wanted;
                    for (std::size_t i = first; i < first + count; ++i) {
                        wanted.push_back(names[i].c_str());
                    }
                    auto outputs = session.Run(Ort::RunOptions{nullptr}, inputNames, &input, 1, wanted.data(),
                                               wanted.size());
                    for (std::size_t i = 0; i < count; ++i) {
                        const auto dims = outputs[i].GetTensorTypeAndShapeInfo().GetShape();
                        if (dims.size() != 4 || dims[0] != 1) {
                            throw std::runtime_error(names[first + i] + " is not a [1, C, H, W] tensor");
                        }
                        const auto plane = static_cast<std::size_t>(dims[2] * dims[3]);
                        const float* values = outputs[i].GetTensorData<float>();
                        auto& channels = ranges[names[first + i]];
                        channels.resize(static_cast<std::size_t>(dims[1]),
                                        Range{std::numeric_limits<float>::infinity(),
                                              -std::numeric_limits<float>::infinity()});
                        for (std::size_t c = 0; c < channels.size(); ++c) {
                            const auto [low, high] =
                                std::minmax_element(values + c * plane, values + (c + 1) * plane);
                            channels[c].first = std::min(channels[c].first, *low);
                            channels[c].second = std::max(channels[c].second, *high);
                        }
                    }
                }
            }
        }
        nlohmann::ordered_json json = nlohmann::ordered_json::object();
        for (const auto& [name, channels] : ranges) {
            auto& list = json[name] = nlohmann::ordered_json::array();
            for (const auto& [low, high] : channels) {
                list.push_back({low, high});
            }
        }
        const std::string text = json.dump(1) + "\n";
        AtomicFile::write(rangesFile, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
        std::cout << "calibrate-network: " << names.size() << " tensors over " << pictures.size()
                  << " pictures × " << crops << " crops of " << crop << " px\n";
    } catch (const std::exception& error) {
        std::cerr << "calibrate-network: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
