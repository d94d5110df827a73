#pragma once

// Manifest.json of a network package or compiled bundle (see NETWORKS.md), read by the runtime and
// by the offline network tools.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

    // A file of a compiled bundle as it was written, so that one cut short, rewritten or missing
    // is told apart from a whole bundle by its size and modification time alone.
    struct File {
        std::string name; // inside the folder
        std::uint64_t bytes = 0;
        std::string sha256; // lower-case hexadecimal
        // Nanoseconds since 1970 as the file system reported them once the file was on the disk;
        // none in bundles made before times were recorded.
        std::optional<std::int64_t> modified;
        friend bool operator==(const File&, const File&) = default;
    };
    // Empty in packages and in bundles made before the files were recorded.
    std::vector<File> files;

    // Reads `folder`/Manifest.json and checks that it is of `format` and the version this code
    // reads for it. Throws NetworkError.
    static NetworkManifest read(const std::filesystem::path& folder, std::string_view format);
    void write(const std::filesystem::path& folder) const;
};

} // namespace orvane
