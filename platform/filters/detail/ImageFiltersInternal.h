#pragma once

// Internal to the platform layer: the vips pipelines behind ImageFilters, on plain vips images so
// that they can be combined and tested apart from LazyImage.

#include <cstddef>
#include <optional>
#include <vips/vips8>

namespace orvane::ImageFilters::detail {

// Every band blurred with a Gaussian of `sigma` pixels over the image with its edge pixels
// repeated outward; float samples, same size. Large sigmas take the reduced-resolution path.
vips::VImage clampedBlur(const vips::VImage& image, double sigma);

// The same blur always at full resolution: the reference for the reduced-resolution path.
vips::VImage clampedBlurFullResolution(const vips::VImage& image, double sigma);

// The smallest sigma for which clampedBlur works at reduced resolution.
inline constexpr double reducedBlurThreshold = 8.0;

// An image that owns a copy of the given samples.
inline vips::VImage copiedImage(const void* data, std::size_t size, int width, int height, int bands,
                                VipsBandFormat format) {
    VipsImage* image = vips_image_new_from_memory_copy(data, size, width, height, bands, format);
    if (image == nullptr) {
        throw vips::VError();
    }
    return vips::VImage(image);
}

// Rounded to the nearest 8-bit value and clamped to 0…255.
vips::VImage toUchar(const vips::VImage& image);

// The tone, recovery and vibrance adjustment of 3-band 8-bit RGB; 3-band 8-bit result. The
// histogram is measured (on a small preview) when this is called, over the pixels as far as
// `coverage` (an 8-bit alpha band of the same size) shows them, or over all of them.
vips::VImage autoAdjusted(const vips::VImage& rgb,
                          const std::optional<vips::VImage>& coverage = std::nullopt);

// Edge-preserving noise reduction of 3-band RGB (any format, 0…255); float result.
vips::VImage denoised(const vips::VImage& rgb, double noiseLevel, double sharpness);

} // namespace orvane::ImageFilters::detail
