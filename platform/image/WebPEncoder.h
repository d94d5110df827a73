#pragma once

// WebP files through libwebp's simple calls: lossy, in sRGB, with alpha only when the image has
// it, and no metadata.

#include "platform/files/Bytes.h"
#include "platform/image/Bitmap.h"

#include <span>

namespace orvane::WebPEncoder {

// The largest width and height of a WebP file: the format stores each in 14 bits.
inline constexpr int largestSide = 16383;

// One encoding at `quality` (0 to 1). Throws ImageSizeError, before any work, for an image larger
// than `largestSide`, and FileError (fileWriteUnknown) when the image cannot be drawn for the
// encoder or libwebp refuses it.
Bytes encode(const Bitmap& image, double quality);

// The quality factor libwebp gets for `quality`: two qualities with the same factor give one file.
float qualityFactor(double quality);

// The colour bytes of RGBA pixels, alpha left out.
Bytes packRGB(std::span<const std::uint8_t> rgba);

} // namespace orvane::WebPEncoder
