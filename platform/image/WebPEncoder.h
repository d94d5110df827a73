#pragma once

// WebP files through libwebp's simple calls: lossy, in sRGB, with alpha only when the image has
// it, and no metadata.

#include "platform/files/Bytes.h"
#include "platform/image/Bitmap.h"

#include <span>

namespace orvane::WebPEncoder {

// Whether libwebp can be handed rows of `width` pixels at all: it counts a row's bytes in an int.
bool takesWidth(int width);

// One encoding at `quality` (0 to 1). Throws FileError (fileWriteUnknown) when the image cannot be
// drawn for the encoder or libwebp refuses it (a side beyond 16383 pixels, say).
Bytes encode(const Bitmap& image, double quality);

// The quality factor libwebp gets for `quality`: two qualities with the same factor give one file.
float qualityFactor(double quality);

// The colour bytes of RGBA pixels, alpha left out.
Bytes packRGB(std::span<const std::uint8_t> rgba);

} // namespace orvane::WebPEncoder
