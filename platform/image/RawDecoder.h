#pragma once

// Camera RAW files through LibRaw.

#include "platform/image/Bitmap.h"

#include <optional>
#include <span>

namespace orvane::RawDecoder {

struct Header {
    int width; // upright, as the developed picture will be
    int height;
    bool isDng;
};

// Whether LibRaw recognises the bytes as a camera RAW file, and the size it will develop.
std::optional<Header> identify(std::span<const std::uint8_t> bytes);

// Develops the RAW file with LibRaw's default settings and the camera's white balance: an opaque,
// upright 8-bit sRGB bitmap. None when LibRaw cannot read or develop it.
std::optional<Bitmap> develop(std::span<const std::uint8_t> bytes);

} // namespace orvane::RawDecoder
