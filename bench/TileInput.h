#pragma once

#include "core/upscale/TilePlan.h"
#include "platform/image/Bitmap.h"
#include "platform/networks/PixelBuffer.h"

#include <algorithm>
#include <cstdint>

namespace orvane::bench {

// The network's input square of one tile, edge pixels repeated beyond the picture, as BGRA.
inline PixelBuffer inputOf(const Bitmap& picture, const PixelRect& square) {
    PixelBuffer input(static_cast<int>(square.width), static_cast<int>(square.height));
    for (int y = 0; y < input.height(); ++y) {
        const auto sy = static_cast<int>(std::clamp<std::int64_t>(square.y + y, 0, picture.height() - 1));
        std::uint8_t* out = input.row(y);
        for (int x = 0; x < input.width(); ++x, out += 4) {
            const auto sx = static_cast<int>(std::clamp<std::int64_t>(square.x + x, 0, picture.width() - 1));
            const std::uint8_t* in = picture.pixel(sx, sy);
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = 255;
        }
    }
    return input;
}

} // namespace orvane::bench
