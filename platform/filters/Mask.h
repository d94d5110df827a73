#pragma once

#include <cstdint>
#include <vector>

namespace orvane {

// A single-channel 8-bit image: 255 where something is fully selected, 0 where not.
struct Mask {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> values; // width × height, row after row

    std::uint8_t at(int x, int y) const { return values[static_cast<std::size_t>(y) * width + x]; }
};

} // namespace orvane
