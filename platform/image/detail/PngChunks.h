#pragma once

// Internal to the platform layer: adds metadata chunks to an encoded PNG. exiv2 writes a colour
// profile chunk that PNG readers reject, so PNG metadata is written here instead.

#include "platform/image/ColorProfile.h"

#include <cstdint>
#include <span>
#include <vector>

namespace orvane::PngChunks {

// The PNG with an iCCP chunk of the profile and, when `exif` is not empty, an eXIf chunk inserted
// right after the header chunk. Throws std::runtime_error when the bytes are no PNG.
std::vector<std::uint8_t> embedded(std::span<const std::uint8_t> png, const ColorProfile& profile,
                                   const std::vector<std::uint8_t>& exif);

} // namespace orvane::PngChunks
