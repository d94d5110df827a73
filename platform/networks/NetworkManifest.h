#pragma once

// Manifest.json of a network package or compiled bundle (see NETWORKS.md), read by the runtime and
// by the offline network tools.

#include <filesystem>
#include <string>
#include <string_view>

namespace orvane {

struct NetworkManifest {
    static constexpr std::string_view packageFormat = "orvane-network-package";
    static constexpr std::string_view bundleFormat = "orvane-compiled-network";
    // Version 1 bundles held a network for ONNX Runtime; version 2 holds the runner's own graph.
    static constexpr int packageVersion = 1;
    static constexpr int bundleVersion = 2;

    std::string format;
    int version = packageVersion;
    std::string network = "network.onnx";         // file name inside the folder
    std::string description = "description.json"; // file name inside the folder

    // Reads `folder`/Manifest.json and checks that it is of `format` and the version this code
    // reads for it. Throws NetworkError.
    static NetworkManifest read(const std::filesystem::path& folder, std::string_view format);
    void write(const std::filesystem::path& folder) const;
};

} // namespace orvane
