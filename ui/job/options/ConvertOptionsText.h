#pragma once

#include "core/convert/ConvertFormat.h"

#include <QString>
#include <optional>

// The texts the convert options show for formats, size targets and long-edge limits.
namespace orvane::ConvertOptionsText {

// A size target in kilobytes of 1000 bytes: whole megabytes from 1000 up, so 1500 reads "1 MB";
// kilobytes below, so 500 reads "500 KB".
QString sizeLabel(long long kilobytes);
// The size menu's title: "Under 1 MB", or "Any size" without a target.
QString sizeMenuTitle(std::optional<long long> maxKB);
// "2048 px".
QString edgeLabel(int pixels);
// The long-edge menu's title: "≤ 2048 px", or "Original size" without a limit.
QString edgeMenuTitle(std::optional<int> maxLongEdge);
// One line on what a format is good for.
QString formatDescription(ConvertFormat format);

} // namespace orvane::ConvertOptionsText
