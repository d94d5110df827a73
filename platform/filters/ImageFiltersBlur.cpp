#include "platform/filters/detail/ImageFiltersInternal.h"

#include <algorithm>
#include <cmath>

namespace orvane::ImageFilters::detail {

using vips::VImage;

namespace {
// vips's default (0.2) cuts the kernel at 1.8 sigma, visibly short of a Gaussian; at 0.005 it
// reaches 3.3 sigma, where what is cut off no longer shows in 8-bit samples.
constexpr double minAmplitude = 0.005;

int kernelRadius(double sigma) {
    return static_cast<int>(std::ceil(sigma * std::sqrt(-2.0 * std::log(minAmplitude)))) + 1;
}
} // namespace

VImage toUchar(const VImage& image) {
    return image.rint().cast(VIPS_FORMAT_UCHAR);
}

VImage clampedBlurFullResolution(const VImage& image, double sigma) {
    const VImage samples = image.format() == VIPS_FORMAT_FLOAT ? image : image.cast(VIPS_FORMAT_FLOAT);
    const int margin = kernelRadius(sigma);
    const int width = image.width();
    const int height = image.height();
    const VImage extended = samples.embed(margin, margin, width + 2 * margin, height + 2 * margin,
                                          VImage::option()->set("extend", VIPS_EXTEND_COPY));
    return extended
        .gaussblur(sigma,
                   VImage::option()->set("min_ampl", minAmplitude)->set("precision", VIPS_PRECISION_FLOAT))
        .extract_area(margin, margin, width, height);
}

VImage clampedBlur(const VImage& image, double sigma) {
    if (sigma < reducedBlurThreshold) {
        return clampedBlurFullResolution(image, sigma);
    }
    // A wide Gaussian keeps nothing finer than a few sigma, so it can be computed on an image
    // reduced by `factor` (box average) and brought back with bicubic (Catmull-Rom)
    // interpolation: the box adds a variance of (factor² − 1) / 12, which the blur in between
    // leaves out, and the interpolation adds none. Four reduced pixels per sigma keep the result
    // within an 8-bit step of the full blur.
    const int factor = static_cast<int>(sigma / 4.0);
    const int width = image.width();
    const int height = image.height();
    // The edge pixels are repeated at full resolution, as far as the kernel reaches, before the
    // reduction: reduced, a border block would stand for the mean of its pixels instead of the
    // border pixel itself.
    const int margin = (kernelRadius(sigma) + factor - 1) / factor * factor;
    const int paddedWidth = (width + 2 * margin + factor - 1) / factor * factor;
    const int paddedHeight = (height + 2 * margin + factor - 1) / factor * factor;
    const VImage samples = image.format() == VIPS_FORMAT_FLOAT ? image : image.cast(VIPS_FORMAT_FLOAT);
    const VImage reduced = samples
                               .embed(margin, margin, paddedWidth, paddedHeight,
                                      VImage::option()->set("extend", VIPS_EXTEND_COPY))
                               .shrink(factor, factor);
    const double f = factor;
    const double reducedSigma = std::sqrt(sigma * sigma - (f * f - 1.0) / 12.0) / f;
    // Every enlarged tile reads a neighbourhood of the reduced blur: kept, it is computed once
    // instead of once per tile (it is small, a factor² smaller than the image).
    const VImage blurred = clampedBlurFullResolution(reduced, reducedSigma)
                               .tilecache(VImage::option()
                                              ->set("tile_width", 64)
                                              ->set("tile_height", 64)
                                              ->set("max_tiles", -1)
                                              ->set("threaded", true));
    // Pixel centres line up: output x samples the reduced image at (x + 0.5) / factor − 0.5.
    const VImage enlarged = blurred.affine(
        {f, 0.0, 0.0, f}, VImage::option()
                              ->set("interpolate", vips::VInterpolate::new_from_name("bicubic"))
                              ->set("odx", (f - 1.0) / 2.0)
                              ->set("ody", (f - 1.0) / 2.0)
                              ->set("oarea", std::vector<int>{0, 0, paddedWidth, paddedHeight})
                              ->set("extend", VIPS_EXTEND_COPY));
    return enlarged.extract_area(margin, margin, width, height);
}

} // namespace orvane::ImageFilters::detail
