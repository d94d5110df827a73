#pragma once

#include "platform/filters/LazyImage.h"
#include "platform/image/Bitmap.h"

namespace orvane::Render {

// The shared sRGB profile every rendered result carries.
const ColorProfile& srgb();
// A fresh, unshared sRGB profile.
ColorProfile makeSrgb();

// Renders the whole image to 8-bit sRGB pixels: with straight alpha when `keepAlpha`, else
// opaque. Throws UpscaleError::output when nothing can be rendered.
Bitmap cgImage(const LazyImage& image, bool keepAlpha);

// Opaque 8-bit sRGB with every transparent or translucent pixel laid over white: how a result
// that can't keep transparency shows it (a JPEG conversion, an enlargement, an enhancement). An
// opaque bitmap comes back as it is. Throws UpscaleError::output when nothing can be rendered.
Bitmap flattenedOnWhite(const LazyImage& image);
Bitmap flattenedOnWhite(const Bitmap& image);

// A copy no longer than `maxLongEdge` on its long side (each side truncated, at least 1), in
// sRGB, opaque or premultiplied; or the image itself when it is small enough. Never fails: when
// the copy cannot be made the image comes back unchanged.
Bitmap downscaled(const Bitmap& image, int maxLongEdge);
// The same copy, not computed yet (a failure shows when it is).
LazyImage downscaled(const LazyImage& image, int maxLongEdge);

} // namespace orvane::Render
