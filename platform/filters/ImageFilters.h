#pragma once

// Image operations on lazy images: each returns a new lazy image of the same size as its input;
// nothing is computed until the result is rendered.

#include "platform/filters/LazyImage.h"
#include "platform/filters/Mask.h"

namespace orvane::ImageFilters {

// A mask as a lazy single-channel image, for blending.
LazyImage fromMask(const Mask& mask);

// An opaque or translucent flat colour (components 0 to 1) of the given size.
LazyImage solidColor(int width, int height, double red, double green, double blue, double alpha);

// A Gaussian blur of the image with its edge pixels repeated outward, so that the borders are not
// darkened; the result has the input's size.
LazyImage gaussianBlur(const LazyImage& image, double sigma);

// `image` where the mask is white, `background` where it is black, a mix in between. All three
// have the same size; the result keeps alpha when either input has it.
LazyImage blendWithMask(const LazyImage& image, const LazyImage& background, const LazyImage& mask);

// Automatic light and colour without red-eye correction: a tone curve fitted to the histogram,
// highlight and shadow recovery, and vibrance for dull colour. Close to neutral on a well-exposed
// photo. Only what is visible is measured.
LazyImage autoAdjust(const LazyImage& image);

// The image with every fully transparent pixel given the colour of the visible pixels near it, so
// that filters and networks that read a neighbourhood see the picture go on beyond its edge rather
// than whatever colour lies hidden there. Alpha and every visible pixel stay as they were; an
// opaque image comes back unchanged.
LazyImage filledUnderTransparency(const LazyImage& image);

// The colour alone: opaque, whatever its alpha was.
LazyImage withoutAlpha(const LazyImage& image);

// The colour of `colour` with the alpha of `shape` (opaque when `shape` has none); same size.
LazyImage withAlphaOf(const LazyImage& colour, const LazyImage& shape);

// Edge-preserving noise reduction; `noiseLevel` (about 0 to 0.1) is how much variation counts as
// noise, `sharpness` (about 0 to 2) how much edge detail is restored.
LazyImage reduceNoise(const LazyImage& image, float noiseLevel, float sharpness);

// An unsharp mask: the difference from a Gaussian blur of `radius` pixels, added back `intensity`
// times.
LazyImage unsharpMask(const LazyImage& image, float radius, float intensity);

} // namespace orvane::ImageFilters
