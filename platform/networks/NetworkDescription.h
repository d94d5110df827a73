#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

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
    double pixelRange = 255;          // tensor value of a full-intensity channel: 255 or 1
    std::string channelOrder = "RGB"; // of the tensor's channel axis

    const FeatureDescription* input(const std::string& name) const;
    const FeatureDescription* output(const std::string& name) const;

    // "description.json" in a package or bundle. Throws NetworkError when it cannot be read.
    static NetworkDescription read(const std::filesystem::path& file);
    void write(const std::filesystem::path& file) const;

    friend bool operator==(const NetworkDescription&, const NetworkDescription&) = default;
};

} // namespace orvane
