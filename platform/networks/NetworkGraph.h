#pragma once

// A super-resolution network as the runner executes it: a list of layers over numbered tensors,
// in an order where every layer's inputs are made before it. The network compiler builds it from a
// package's ONNX graph; a compiled bundle stores it (graph.json and weights.bin, see NETWORKS.md).

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

namespace OnnxModel {
struct Graph;
}

struct NetworkLayer {
    enum class Kind {
        convolution,  // square kernel, stride 1, zero padding that keeps the size
        prelu,        // a slope per channel (or one for all) for negative values
        leakyRelu,    // one slope `alpha` for negative values
        sum,          // Σ coefficients[i] × inputs[i]
        concat,       // along the channels, in input order
        upsample,     // nearest neighbour, by a whole `factor`
        pixelShuffle, // channels to space by `factor`: output channel c takes c·f² + i·f + j
    };

    Kind kind = Kind::convolution;
    std::vector<int> inputs;
    int output = 0;
    int kernel = 0;                  // convolution: 1 or 3
    std::vector<float> weights;      // convolution: [output channel][input channel][y][x]
    std::vector<float> bias;         // convolution: one per output channel
    std::vector<float> slopes;       // prelu
    float alpha = 0;                 // leakyRelu
    std::vector<float> coefficients; // sum: one per input
    int factor = 0;                  // upsample, pixelShuffle
};

std::string_view rawValue(NetworkLayer::Kind kind);

struct NetworkGraph {
    std::vector<int> channels; // of each tensor
    std::vector<int> scales;   // each tensor's size as a multiple of the input's
    int input = 0;             // the tensor of the network's image input (3 channels)
    int output = 0;            // the tensor of its image output (3 channels)
    std::string inputName;     // the names the network gives them
    std::string outputName;
    std::vector<NetworkLayer> layers;

    // The graph of an ONNX network in the form the network importer writes: Conv, PRelu,
    // LeakyRelu, Mul by a constant, Add, Concat, nearest Resize and DepthToSpace. Throws
    // UnsupportedNetwork for any other operator or setting, naming it.
    static NetworkGraph fromOnnx(const OnnxModel::Graph& onnx);

    // Moves every scale of a sum into the convolution that makes its term, where that convolution's
    // result has no other reader: 0.2 × conv(x) + y becomes conv′(x) + y. Nested sums pass their
    // scale down to their own terms.
    void foldScales();

    // Throws NetworkError unless every layer's weights and tensors fit together, so that a damaged
    // bundle can't make the runner read or write out of bounds.
    void check() const;

    // How many layers read each tensor (the output counts as read once more).
    std::vector<int> readers() const;

    // graph.json and weights.bin in `folder`. Throws NetworkError.
    void write(const std::filesystem::path& folder) const;
    static NetworkGraph read(const std::filesystem::path& folder);

    static constexpr std::string_view graphFile = "graph.json";
    static constexpr std::string_view weightsFile = "weights.bin";
};

} // namespace orvane
