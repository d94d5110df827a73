#include "platform/image/PixelOps.h"

namespace orvane::PixelOps {

void premultiply(std::span<std::uint8_t> rgba) {
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) {
        const unsigned a = rgba[i + 3];
        if (a == 255) {
            continue;
        }
        for (int c = 0; c < 3; ++c) {
            rgba[i + c] = static_cast<std::uint8_t>((rgba[i + c] * a + 127) / 255);
        }
    }
}

void unpremultiply(std::span<std::uint8_t> rgba) {
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) {
        const unsigned a = rgba[i + 3];
        if (a == 0 || a == 255) {
            continue;
        }
        for (int c = 0; c < 3; ++c) {
            const unsigned v = (rgba[i + c] * 255u + a / 2) / a;
            rgba[i + c] = static_cast<std::uint8_t>(v > 255 ? 255 : v);
        }
    }
}

} // namespace orvane::PixelOps
