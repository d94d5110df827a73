#pragma once

#include "platform/files/Bytes.h"

#include <chrono>
#include <optional>

namespace orvane {

// The outcome of one conversion.
struct ConvertResult {
    Bytes data;    // the encoded file
    int width = 0; // of the encoded image
    int height = 0;
    std::optional<double> quality; // none for PNG and TIFF
    std::optional<std::chrono::system_clock::time_point> captureDate;
    std::int64_t sourceBytes = 0; // 0 when unknown

    friend bool operator==(const ConvertResult&, const ConvertResult&) = default;
};

} // namespace orvane
