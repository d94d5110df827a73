#pragma once

// Internal to the platform layer: what a lazy image holds.

#include "platform/filters/LazyImage.h"

#include <optional>
#include <vector>
#include <vips/vips8>

namespace orvane {

struct LazyImage::Impl {
    vips::VImage image;                  // 3 bands, or 4 with straight alpha; 1 band for a mask
    std::optional<ColorProfile> profile; // set when the samples are not sRGB
    std::vector<Bitmap> keepAlive;       // pixels that `image` reads without owning (one per source)
};

// The image's samples in sRGB, 8-bit: converted through its own profile when it has one.
vips::VImage srgbSamples(const LazyImage::Impl& impl);

} // namespace orvane
