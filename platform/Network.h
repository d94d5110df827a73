#pragma once

// The network runtime: super-resolution (and other image-to-image) networks stored as network
// packages or compiled bundles (see NETWORKS.md), run with ONNX Runtime.

#include "platform/Error.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

// 8-bit BGRA pixels, row after row (the fourth byte is alpha, 255 for networks' outputs).
class PixelBuffer {
public:
    PixelBuffer(int width, int height); // zero-filled; throws std::invalid_argument for sizes < 1
    int width() const { return width_; }
    int height() const { return height_; }
    std::size_t bytesPerRow() const { return static_cast<std::size_t>(width_) * 4; }
    std::uint8_t* data() { return pixels_.data(); }
    const std::uint8_t* data() const { return pixels_.data(); }
    std::uint8_t* row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * bytesPerRow(); }
    const std::uint8_t* row(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * bytesPerRow(); }

private:
    int width_;
    int height_;
    std::vector<std::uint8_t> pixels_;
};

// An image feature: its pixel format ("BGRA8") and the square sizes it accepts, ascending.
struct ImageConstraint {
    std::string pixelFormat;
    std::vector<int> sizes;
    friend bool operator==(const ImageConstraint&, const ImageConstraint&) = default;
};

struct FeatureDescription {
    std::string name;
    std::optional<ImageConstraint> image; // none for a feature that is not an image
    friend bool operator==(const FeatureDescription&, const FeatureDescription&) = default;
};

// What a network says about itself.
struct NetworkDescription {
    std::map<std::string, std::string> creatorDefined; // such as "scale" = "4"
    std::vector<FeatureDescription> inputs;
    std::vector<FeatureDescription> outputs;
    double pixelRange = 255;               // tensor value of a full-intensity channel: 255 or 1
    std::string channelOrder = "RGB";      // of the tensor's channel axis

    const FeatureDescription* input(const std::string& name) const;
    const FeatureDescription* output(const std::string& name) const;

    // "description.json" in a package or bundle. Throws NetworkError when it cannot be read.
    static NetworkDescription read(const std::filesystem::path& file);
    void write(const std::filesystem::path& file) const;

    friend bool operator==(const NetworkDescription&, const NetworkDescription&) = default;
};

// A failure of the runtime: loading, compiling or running a network. Its description is the
// runtime's own.
class NetworkError : public Error {
public:
    using Error::Error;
};

namespace NetworkCompiler {
// How far ONNX Runtime optimises the graph. `all` adds its blocked memory layout, which speeds most
// convolution networks up but puts a reorder on each side of every operator that has no blocked
// form: a network with a PReLU after each convolution runs faster with `extended`.
enum class Optimisation { extended, all };
// Turns a network package into a compiled bundle at `bundle` (which must not exist yet): the
// network as ONNX Runtime optimises it, and the same description. Throws NetworkError.
void compile(const std::filesystem::path& package, const std::filesystem::path& bundle,
             Optimisation optimisation = Optimisation::all);
} // namespace NetworkCompiler

// A compiled bundle loaded for running: one session using every core. Predictions may run from
// several threads at once.
class Network {
public:
    static std::shared_ptr<const Network> load(const std::filesystem::path& bundle);
    ~Network();

    const NetworkDescription& description() const;

    // Runs the network on one image given under `inputName` and returns the image it gives under
    // `outputName`, or none when it gives no such image. Throws NetworkError when the run fails.
    std::optional<PixelBuffer> predict(const std::string& inputName, const PixelBuffer& input,
                                       const std::string& outputName) const;

    struct Impl;

private:
    explicit Network(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

} // namespace orvane
