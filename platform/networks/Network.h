#pragma once

// The network runtime: super-resolution (and other image-to-image) networks stored as network
// packages or compiled bundles (see NETWORKS.md), run on the processor with oneDNN. This header
// brings the runtime's whole interface: the pixels a network reads and gives, its description, its
// errors and the compiler that makes bundles.

#include "platform/networks/NetworkCompiler.h"
#include "platform/networks/NetworkDescription.h"
#include "platform/networks/NetworkError.h"
#include "platform/networks/NetworkPrecision.h"
#include "platform/networks/PixelBuffer.h"
#include "platform/networks/UnsupportedNetwork.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

// A compiled bundle loaded for running on every core. Predictions may run from several threads at
// once; each tile size gets its primitives and buffers once, kept for later tiles of that size.
class Network {
public:
    static std::shared_ptr<const Network> load(const std::filesystem::path& bundle,
                                               NetworkPrecision precision = NetworkPrecisions::preferred());
    ~Network();

    const NetworkDescription& description() const;
    NetworkPrecision precision() const;
    // How many times wider and higher than its input its output image is.
    int outputScale() const;

    // Runs the network on one image given under `inputName` and returns the image it gives under
    // `outputName`, or none when it gives no such image. Throws NetworkError when the run fails.
    std::optional<PixelBuffer> predict(const std::string& inputName, const PixelBuffer& input,
                                       const std::string& outputName) const;

    // A rectangle of the output image, in its pixels.
    struct OutputPart {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
    };

    // As predict, but writes only `part` of the output image, as RGBA rows `bytesPerRow` apart at
    // `rgba` (the same bytes red first, alpha 255), on the threads that ran the network, instead of
    // making a whole image. Returns false when the network gives no image under `outputName`.
    bool predict(const std::string& inputName, const PixelBuffer& input, const std::string& outputName,
                 const OutputPart& part, std::uint8_t* rgba, std::size_t bytesPerRow) const;

    // The network on planar float channels [3][height][width] in its own value range; returns its
    // planar output, [3][height × scale][width × scale], unrounded. For comparing runtimes.
    std::vector<float> run(const std::vector<float>& planar, int width, int height) const;

    // Each step of a tile of this size, as "layer: kernel" with oneDNN's name of the kernel that
    // runs it (empty for plain copies), for checking which kernels the processor gets.
    std::vector<std::string> kernels(int width, int height) const;

    // Gives back the memory of the tile plans no prediction is using at the moment (their
    // activations, the largest part of a run's memory); the weights and the compiled kernels stay,
    // and the next prediction of a size makes its plan again, in a fraction of the first time.
    void releaseIdlePlans() const;

    // Makes the plan for inputs of this size ahead of the first prediction that needs it.
    void prepare(int width, int height) const;

    struct Impl;

private:
    explicit Network(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

} // namespace orvane
