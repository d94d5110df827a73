#pragma once

// Internal to the platform layer: HEIC and AVIF files through libheif, which lets us choose the
// encoder's speed and attach exactly the metadata we want.

#include "platform/image/Bitmap.h"

#include <cstdint>
#include <vector>

namespace orvane::HeifEncoder {

enum class Codec { hevc, av1 };

// The largest width and height of a HEIC or AVIF image that readers built on libheif open: libvips
// (our own decoder among them) sets it as a security limit, and counts the coded size, which
// HEVC rounds up to an even width. Larger pictures are stored as a grid of tiles, which this
// libheif (1.15) cannot write; so nothing larger is written at all.
inline constexpr int largestSide = 16384;

// `quality` from 0 to 1; `exif` starts with its TIFF header, or is empty for none. Throws
// std::runtime_error when libheif fails.
std::vector<std::uint8_t> encode(const Bitmap& straightOrOpaque, Codec codec, double quality,
                                 const std::vector<std::uint8_t>& exif);

// The encoder's own setting for `quality`: the one thing of it that the file depends on.
int qualitySetting(double quality);

} // namespace orvane::HeifEncoder
