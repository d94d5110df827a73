#pragma once

// Internal to the platform layer: what a lazy image holds.

#include "platform/LazyImage.h"

#include <optional>
#include <vips/vips8>

namespace orvane {

struct LazyImage::Impl {
    vips::VImage image;                  // 3 bands, or 4 with straight alpha
    std::optional<ColorProfile> profile; // set when the samples are not sRGB
    std::optional<Bitmap> keepAlive;     // pixels that `image` reads without owning
};

} // namespace orvane
