#pragma once

// The connected regions of a mask's foreground. Internal to subject detection.

#include "platform/filters/Mask.h"

#include <cstddef>
#include <cstdint>

namespace orvane::MaskRegions {

struct Foreground {
    std::size_t area = 0; // pixels above the threshold, specks included
    int regionCount = 0;  // 8-connected regions of at least the minimum area
};

// Pixels whose value is above `threshold` are foreground. Works on runs of foreground along rows,
// so that memory follows the shape's outline rather than the photo's size.
Foreground measure(const Mask& mask, std::uint8_t threshold, std::size_t minimumRegionArea);

} // namespace orvane::MaskRegions
