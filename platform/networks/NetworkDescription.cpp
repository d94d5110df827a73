#include "platform/networks/NetworkDescription.h"

#include "platform/files/AtomicFile.h"
#include "platform/networks/NetworkError.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>

namespace orvane {

namespace fs = std::filesystem;
using nlohmann::json;
using nlohmann::ordered_json;

namespace {

const FeatureDescription* find(const std::vector<FeatureDescription>& features, const std::string& name) {
    const auto found = std::find_if(features.begin(), features.end(),
                                    [&](const FeatureDescription& feature) { return feature.name == name; });
    return found == features.end() ? nullptr : &*found;
}

std::vector<FeatureDescription> featuresFrom(const json& array) {
    std::vector<FeatureDescription> features;
    for (const auto& item : array) {
        FeatureDescription feature{.name = item.at("name").get<std::string>(), .image = std::nullopt};
        if (const auto image = item.find("image"); image != item.end()) {
            ImageConstraint constraint{.pixelFormat = image->at("pixelFormat").get<std::string>(),
                                       .sizes = image->at("sizes").get<std::vector<int>>()};
            if (std::any_of(constraint.sizes.begin(), constraint.sizes.end(),
                            [](int size) { return size < 1; })) {
                throw std::invalid_argument("the image sizes of \"" + feature.name + "\" must be positive");
            }
            std::sort(constraint.sizes.begin(), constraint.sizes.end());
            feature.image = std::move(constraint);
        }
        features.push_back(std::move(feature));
    }
    return features;
}

// Text to text; an entry of another shape (a number among the texts, say) is read as none at
// all, as the network's own metadata would be, rather than keeping the network from loading.
std::map<std::string, std::string> creatorDefinedFrom(const json& root) {
    std::map<std::string, std::string> entries;
    const auto creator = root.find("creatorDefined");
    if (creator == root.end() || !creator->is_object()) {
        return entries;
    }
    for (const auto& [key, value] : creator->items()) {
        if (!value.is_string()) {
            return {};
        }
        entries.emplace(key, value.get<std::string>());
    }
    return entries;
}

ordered_json jsonFrom(const std::vector<FeatureDescription>& features) {
    ordered_json array = ordered_json::array();
    for (const auto& feature : features) {
        ordered_json item = {{"name", feature.name}};
        if (feature.image) {
            item["image"] = {{"pixelFormat", feature.image->pixelFormat}, {"sizes", feature.image->sizes}};
        }
        array.push_back(std::move(item));
    }
    return array;
}

} // namespace

const FeatureDescription* NetworkDescription::input(const std::string& name) const {
    return find(inputs, name);
}

const FeatureDescription* NetworkDescription::output(const std::string& name) const {
    return find(outputs, name);
}

NetworkDescription NetworkDescription::read(const fs::path& file) {
    std::ifstream stream(file);
    if (!stream) {
        throw NetworkError("No network description at " + file.string());
    }
    NetworkDescription description;
    try {
        const auto root = json::parse(stream);
        description.creatorDefined = creatorDefinedFrom(root);
        description.inputs = featuresFrom(root.at("inputs"));
        description.outputs = featuresFrom(root.at("outputs"));
        if (const auto pixels = root.find("pixels"); pixels != root.end()) {
            description.pixelRange = pixels->value("range", description.pixelRange);
            description.channelOrder = pixels->value("channelOrder", description.channelOrder);
        }
    } catch (const std::exception& e) {
        throw NetworkError(file.string() + ": " + e.what());
    }
    if (!(description.pixelRange > 0) || !std::isfinite(description.pixelRange)) {
        throw NetworkError(file.string() + ": the pixel range must be a positive number");
    }
    if (description.channelOrder != "RGB" && description.channelOrder != "BGR") {
        throw NetworkError(file.string() + ": the channel order must be \"RGB\" or \"BGR\"");
    }
    return description;
}

void NetworkDescription::write(const fs::path& file) const {
    ordered_json pixels;
    // 255 rather than 255.0, as people write it.
    if (pixelRange == std::floor(pixelRange) && std::abs(pixelRange) < 1e15) {
        pixels["range"] = static_cast<long long>(pixelRange);
    } else {
        pixels["range"] = pixelRange;
    }
    pixels["channelOrder"] = channelOrder;
    const ordered_json root = {{"creatorDefined", creatorDefined},
                               {"inputs", jsonFrom(inputs)},
                               {"outputs", jsonFrom(outputs)},
                               {"pixels", pixels}};
    const std::string text = root.dump(4) + "\n";
    try {
        AtomicFile::write(file, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    } catch (const Error& e) {
        throw NetworkError("Could not write " + file.string() + ": " + e.description());
    }
}

} // namespace orvane
