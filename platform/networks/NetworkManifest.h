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
    static constexpr int currentVersion = 1;

    std::string format;
    int version = currentVersion;
    std::string network = "network.onnx";         // file name inside the folder
    std::string description = "description.json"; // file name inside the folder

    // Reads `folder`/Manifest.json and checks that it is of `format` and a version this code
    // understands. Throws NetworkError.
    static NetworkManifest read(const std::filesystem::path& folder, std::string_view format);
    void write(const std::filesystem::path& folder) const;
};

} // namespace orvane
