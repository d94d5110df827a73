#pragma once

// Internal to the platform layer: adds metadata chunks to an encoded PNG. exiv2 writes a colour
// profile chunk that PNG readers reject, so PNG metadata is written here instead.

#include "platform/image/ColorProfile.h"

#include <cstdint>
#include <vector>

namespace orvane::PngChunks {

// Inserts an iCCP chunk with the profile and, when `exif` is not empty, an eXIf chunk, right
// after the header chunk. Throws std::runtime_error when the bytes are no PNG.
void embed(std::vector<std::uint8_t>& png, const ColorProfile& profile,
           const std::vector<std::uint8_t>& exif);

} // namespace orvane::PngChunks
