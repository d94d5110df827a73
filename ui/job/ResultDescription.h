#pragma once

#include "editor/ResultInfo.h"

#include <QString>
#include <cstdint>
#include <optional>

// The result card's description of a finished result.
namespace orvane::ResultDescription {

// "4000 × 3000".
QString sizeLine(const ResultInfo& info);

// "4× · 2.4 s" for the image tools; "Converted · 4 MB → 1 MB (−75%)" for a conversion.
QString detailLine(const ResultInfo& info);

// " (−75%)" when the converted file is smaller than its source by at least half a percent;
// empty when it is not, or when a size is missing or the source is empty.
QString savingText(std::optional<std::int64_t> convertedBytes, std::optional<std::int64_t> sourceBytes);

} // namespace orvane::ResultDescription
