#pragma once

// A network package run by ONNX Runtime as it stands, in float: the reference that the runner's
// tests and benchmarks hold the runner against. The application itself never uses it.

#include "platform/networks/NetworkDescription.h"
#include "platform/networks/PixelBuffer.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

class OnnxNetwork {
public:
    // Throws NetworkError.
    static std::shared_ptr<const OnnxNetwork> load(const std::filesystem::path& package);
    ~OnnxNetwork();

    const NetworkDescription& description() const;

    // As Network::predict.
    std::optional<PixelBuffer> predict(const std::string& inputName, const PixelBuffer& input,
                                       const std::string& outputName) const;

    // As Network::run, through the package's first input and output.
    std::vector<float> run(const std::vector<float>& planar, int width, int height) const;

    struct Impl;

private:
    explicit OnnxNetwork(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

} // namespace orvane
