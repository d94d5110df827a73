#pragma once

// The network runtime: super-resolution (and other image-to-image) networks stored as network
// packages or compiled bundles (see NETWORKS.md), run with ONNX Runtime. This header brings the
// runtime's whole interface: the pixels a network reads and gives, its description, its error
// and the compiler that makes bundles.

#include "platform/networks/NetworkCompiler.h"
#include "platform/networks/NetworkDescription.h"
#include "platform/networks/NetworkError.h"
#include "platform/networks/PixelBuffer.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace orvane {

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
