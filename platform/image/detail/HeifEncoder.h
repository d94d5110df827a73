#pragma once

// Internal to the platform layer: HEIC and AVIF files through libheif, which lets us choose the
// encoder's speed and attach exactly the metadata we want.

#include "platform/image/Bitmap.h"

#include <cstdint>
#include <vector>

namespace orvane::HeifEncoder {

enum class Codec { hevc, av1 };

// `quality` from 0 to 1; `exif` starts with its TIFF header, or is empty for none. Throws
// std::runtime_error when libheif fails.
std::vector<std::uint8_t> encode(const Bitmap& straightOrOpaque, Codec codec, double quality,
                                 const std::vector<std::uint8_t>& exif);

// The encoder's own setting for `quality`: the one thing of it that the file depends on.
int qualitySetting(double quality);

} // namespace orvane::HeifEncoder
