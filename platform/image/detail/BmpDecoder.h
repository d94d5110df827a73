#pragma once

// Internal to the platform layer: Windows bitmaps, which the image library has no loader for.

#include "platform/image/Bitmap.h"

#include <optional>
#include <span>

namespace orvane::BmpDecoder {

struct Header {
    int width;
    int height;
};

// The picture's size, or none when the bytes are not a bitmap this decoder reads.
std::optional<Header> readHeader(std::span<const std::uint8_t> bytes);
// Uncompressed and bit-field bitmaps of 1, 4, 8, 16, 24 and 32 bits; none for anything else or
// for truncated pixel data.
std::optional<Bitmap> decode(std::span<const std::uint8_t> bytes);

} // namespace orvane::BmpDecoder
