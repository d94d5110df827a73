#include "platform/filters/detail/ImageFiltersInternal.h"

#include <vector>

namespace orvane::ImageFilters::detail {

using vips::VImage;

namespace {
// Luma and two colour differences (full-range BT.601): luma steers the filter, so that colour
// edges follow the edges of light and colour noise does not smear across them.
constexpr double toLumaChroma[] = {0.299, 0.587, 0.114, -0.168736, -0.331264, 0.5, 0.5, -0.418688, -0.081312};
constexpr double fromLumaChroma[] = {1.0, 0.0, 1.402, 1.0, -0.344136, -0.714136, 1.0, 1.772, 0.0};
constexpr int radius = 3;

VImage matrix(const double (&values)[9]) {
    return VImage::new_matrix(3, 3, const_cast<double*>(values), 9);
}

VImage bands(const VImage& image, int first, int count) {
    return image.extract_band(first, VImage::option()->set("n", count));
}

// The mean over a (2 radius + 1)² window of every band, with edge pixels repeated outward.
VImage boxMean(const VImage& image) {
    constexpr int size = 2 * radius + 1;
    std::vector<double> ones(size, 1.0 / size);
    const VImage mask = VImage::new_matrix(size, 1, ones.data(), size);
    const int width = image.width();
    const int height = image.height();
    return image
        .embed(radius, radius, width + 2 * radius, height + 2 * radius,
               VImage::option()->set("extend", VIPS_EXTEND_COPY))
        .convsep(mask, VImage::option()->set("precision", VIPS_PRECISION_FLOAT))
        .extract_area(radius, radius, width, height);
}
} // namespace

// A guided filter (He, Sun and Tang) with luma as the guide: in every window each output band is
// a linear function of the luma, a·Y + b, with a = covariance(Y, band) / (variance(Y) + epsilon).
// Where the luma varies well below epsilon (noise) a is near 0 and the window is averaged; across
// an edge the variance is far above it and the band follows the luma's edge. For luma itself
// a = variance / (variance + epsilon).
//
// The filter still softens what it keeps a little (its coefficients are averaged too); the
// sharpness adds back that much of what it took from luma, times a² so that only edges and
// texture get it, not the noise of flat areas. At 1 edges come back as they were, above 1 they
// are sharpened.
VImage denoised(const VImage& rgb, double noiseLevel, double sharpness) {
    const VImage samples = rgb.cast(VIPS_FORMAT_FLOAT);
    if (noiseLevel <= 0.0) {
        return samples;
    }
    // Variation up to about twice the noise level (in 0 to 1 units) counts as noise.
    const double epsilon = 4.0 * noiseLevel * noiseLevel;
    const VImage image = (samples * (1.0 / 255.0)).recomb(matrix(toLumaChroma));
    const VImage luma = image.extract_band(0);
    const VImage moments = boxMean(image.bandjoin(image * luma));
    const VImage mean = bands(moments, 0, 3);
    const VImage meanLuma = moments.extract_band(0);
    const VImage covariance = bands(moments, 3, 3) - mean * meanLuma;
    const VImage a = covariance / (covariance.extract_band(0) + epsilon);
    const VImage b = mean - a * meanLuma;
    const VImage coefficients = boxMean(a.bandjoin(b));
    VImage filtered = bands(coefficients, 0, 3) * luma + bands(coefficients, 3, 3);
    if (sharpness > 0.0) {
        const VImage lumaA = coefficients.extract_band(0);
        const VImage cleanLuma = filtered.extract_band(0);
        filtered =
            (cleanLuma + (luma - cleanLuma) * (lumaA * lumaA * sharpness)).bandjoin(bands(filtered, 1, 2));
    }
    return filtered.recomb(matrix(fromLumaChroma)) * 255.0;
}

} // namespace orvane::ImageFilters::detail
