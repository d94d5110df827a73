#pragma once

#include "platform/image/Bitmap.h"

#include <array>
#include <cstdint>

// The grey-and-white pattern shown behind images that may be transparent: in the compare view, and
// flattened into the gallery's thumbnails, which are JPEGs and keep no transparency of their own.
namespace orvane::TransparencyGrid {

using Color = std::array<std::uint8_t, 3>;

inline constexpr Color white{255, 255, 255};
// The desktop's neutral grey (142, 142, 147) at 22 % over white.
inline constexpr Color grey{230, 230, 231};

// The squares' side for a flattened image of that long edge: about a tenth of it, in whole
// 8-pixel blocks, so that a JPEG holds the pattern without ringing.
int squareFor(int longEdge);

// The image over the pattern, opaque, with squares of `square` pixels from a grey one at the
// top-left corner. An opaque image comes back as itself.
Bitmap flattened(const Bitmap& image, int square);

} // namespace orvane::TransparencyGrid
