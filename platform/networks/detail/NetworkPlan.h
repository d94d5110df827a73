#pragma once

// One network made ready to run on tiles of one size with oneDNN: a primitive per layer, built once,
// and every activation buffer allocated once and reused by each tile. Internal to the runtime.

#include "platform/image/PixelMemory.h"
#include "platform/networks/NetworkGraph.h"
#include "platform/networks/NetworkPrecision.h"

#include <map>
#include <memory>
#include <mutex>
#include <oneapi/dnnl/dnnl.hpp>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

// Weights reordered into the layouts the convolutions asked for, shared by every plan of a network:
// the layout rarely depends on the tile size, so a second size mostly finds them ready.
class NetworkWeights {
public:
    NetworkWeights(const NetworkGraph& graph, dnnl::engine engine);
    // The layer's weights × `factor` in the layout `wanted`.
    dnnl::memory convolution(int layer, const dnnl::memory::desc& wanted, float factor = 1.0F);

private:
    const NetworkGraph& graph_;
    dnnl::engine engine_;
    std::mutex mutex_;
    std::map<int, std::vector<std::pair<float, dnnl::memory>>> reordered_;
};

class NetworkPlan {
public:
    // What one primitive does, for the benchmark's breakdown.
    struct Step {
        std::string name;           // the layer kind, or "reorder"
        std::string implementation; // oneDNN's name for the kernel it chose
        double flops = 0;           // multiply-adds × 2, for convolutions
    };

    NetworkPlan(const NetworkGraph& graph, NetworkWeights& weights, int width, int height,
                NetworkPrecision precision, dnnl::engine engine);

    int width() const { return width_; }
    int height() const { return height_; }

    // Runs the network on planar float channels [3][height][width]; returns the planar output,
    // [3][height × scale][width × scale], valid until the next run.
    const float* run(const float* input);

    // Runs like `run` and times every step; returns the seconds of each, in the order of steps().
    std::vector<double> profile(const float* input);
    const std::vector<Step>& steps() const { return steps_; }

private:
    struct Storage;
    struct Call {
        dnnl::primitive primitive;
        std::unordered_map<int, dnnl::memory> arguments;
    };

    void build(const NetworkGraph& graph, NetworkWeights& weights);
    dnnl::memory::desc describe(int tensor) const;
    void add(dnnl::primitive primitive, std::unordered_map<int, dnnl::memory> arguments, Step step);
    dnnl::memory reorderInto(const dnnl::memory& source, const dnnl::memory::desc& wanted);

    int width_;
    int height_;
    NetworkPrecision precision_;
    dnnl::engine engine_;
    dnnl::stream stream_;
    dnnl::memory::data_type type_;
    dnnl::memory::format_tag layout_;
    const NetworkGraph* graph_;
    std::vector<dnnl::memory> tensors_; // each tensor's memory (several may share one buffer)
    std::vector<dnnl::memory> buffers_; // what the tensors' memories point into
    // The activations' memory: large, written before it is read, so in the system's large pages.
    std::vector<PixelMemory> storage_;
    dnnl::memory input_;
    dnnl::memory output_;
    std::optional<PixelMemory> outputValues_;
    std::vector<Call> calls_;
    std::vector<Step> steps_;
};

} // namespace orvane
