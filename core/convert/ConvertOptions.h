#pragma once

#include "core/convert/ConvertFormat.h"
#include "core/convert/MetadataPolicy.h"

#include <optional>
#include <string>

namespace orvane {

// One conversion request.
struct ConvertOptions {
    ConvertFormat format = ConvertFormat::jpeg;
    double quality = 0.85;          // 0 to 1, for lossy formats when no size target applies
    std::optional<long long> maxKB; // target size in kilobytes of 1000 bytes
    std::optional<int> maxLongEdge; // largest long side in pixels
    MetadataPolicy metadata = MetadataPolicy::keep;
    bool keepCaptureDate = false; // date a written file with the photo's capture date
    bool neverLarger = false;     // the output may not exceed the source's byte count

    // Field by field; quality as a floating-point number, so a NaN quality equals nothing.
    friend bool operator==(const ConvertOptions&, const ConvertOptions&) = default;
};

// JSON with the field names as keys; `maxKB` and `maxLongEdge` only when present.
std::string encodeJson(const ConvertOptions& options);
// Throws std::invalid_argument when a required key is missing or a value has the wrong kind.
ConvertOptions decodeConvertOptions(const std::string& json);

} // namespace orvane
