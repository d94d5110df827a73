#include "core/convert/ConvertOptions.h"

#include <nlohmann/json.hpp>
#include <stdexcept>

namespace orvane {

std::string encodeJson(const ConvertOptions& options) {
    nlohmann::ordered_json json;
    json["format"] = rawValue(options.format);
    json["quality"] = options.quality;
    if (options.maxKB) {
        json["maxKB"] = *options.maxKB;
    }
    if (options.maxLongEdge) {
        json["maxLongEdge"] = *options.maxLongEdge;
    }
    json["metadata"] = rawValue(options.metadata);
    json["keepCaptureDate"] = options.keepCaptureDate;
    json["neverLarger"] = options.neverLarger;
    return json.dump();
}

ConvertOptions decodeConvertOptions(const std::string& text) {
    try {
        const nlohmann::json json = nlohmann::json::parse(text);
        ConvertOptions options;
        const auto format = fromRawValue<ConvertFormat>(json.at("format").get<std::string>());
        const auto metadata = fromRawValue<MetadataPolicy>(json.at("metadata").get<std::string>());
        if (!format || !metadata) {
            throw std::invalid_argument("unknown format or metadata policy");
        }
        options.format = *format;
        options.metadata = *metadata;
        const auto& quality = json.at("quality");
        if (!quality.is_number()) {
            throw std::invalid_argument("quality is not a number");
        }
        options.quality = quality.get<double>();
        if (json.contains("maxKB") && !json["maxKB"].is_null()) {
            options.maxKB = json["maxKB"].get<long long>();
        }
        if (json.contains("maxLongEdge") && !json["maxLongEdge"].is_null()) {
            options.maxLongEdge = json["maxLongEdge"].get<int>();
        }
        options.keepCaptureDate = json.at("keepCaptureDate").get<bool>();
        options.neverLarger = json.at("neverLarger").get<bool>();
        return options;
    } catch (const nlohmann::json::exception& error) {
        throw std::invalid_argument(error.what());
    }
}

} // namespace orvane
