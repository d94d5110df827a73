#include "platform/filters/ImageFilters.h"

#include "platform/filters/detail/ImageFiltersInternal.h"
#include "platform/filters/detail/LazyImageImpl.h"
#include "platform/image/detail/VipsRuntime.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace orvane::ImageFilters {

using vips::VImage;
using namespace detail;

namespace {
// A filtered image: the samples change, their colour space and what they read from do not.
LazyImage derived(VImage image, const LazyImage& from) {
    return LazyImage(std::make_shared<const LazyImage::Impl>(LazyImage::Impl{
        .image = std::move(image), .profile = from.impl().profile, .keepAlive = from.impl().keepAlive}));
}

VImage colourBands(const VImage& image) {
    return image.bands() == 4 ? image.extract_band(0, VImage::option()->set("n", 3)) : image;
}

// Filters that only touch colour put the alpha band back unchanged.
VImage withAlphaOf(const VImage& colour, const VImage& original) {
    return original.bands() == 4 ? colour.bandjoin(original.extract_band(3)) : colour;
}

VImage opaqueAlphaAdded(const VImage& image) {
    return image.bands() == 4 ? image : image.bandjoin_const({255.0});
}

VImage unpremultiplied(const VImage& image) {
    return image.unpremultiply(VImage::option()->set("max_alpha", 255.0));
}

// An input that several branches of a filter read: kept in tiles as it is computed, so that the
// filters before it run once per pixel rather than once per branch (libvips recomputes a shared
// input for every branch that asks for it). Enough tiles for a few rows of them across the image.
VImage sharedInput(const VImage& image) {
    constexpr int tile = 128;
    const int across = (image.width() + tile - 1) / tile;
    return image.tilecache(VImage::option()
                               ->set("tile_width", tile)
                               ->set("tile_height", tile)
                               ->set("max_tiles", across * 6)
                               ->set("threaded", true));
}

void requireSameSize(const LazyImage& a, const LazyImage& b) {
    if (a.width() != b.width() || a.height() != b.height()) {
        throw std::invalid_argument("images to blend differ in size");
    }
}

// 0 to 1 from the mask's single band; a grey picture used as a mask counts by its luminance.
VImage maskWeights(const LazyImage& mask) {
    VImage values = mask.impl().image;
    if (values.bands() >= 3) {
        values = colourBands(srgbSamples(mask.impl())).colourspace(VIPS_INTERPRETATION_B_W);
    }
    return values.extract_band(0).cast(VIPS_FORMAT_FLOAT).linear({1.0 / 255.0}, {0.0});
}
} // namespace

LazyImage fromMask(const Mask& mask) {
    if (mask.width < 1 || mask.height < 1 ||
        mask.values.size() != static_cast<std::size_t>(mask.width) * mask.height) {
        throw std::invalid_argument("mask values do not match its size");
    }
    VipsRuntime::ensure();
    const VImage image =
        copiedImage(mask.values.data(), mask.values.size(), mask.width, mask.height, 1, VIPS_FORMAT_UCHAR)
            .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_B_W));
    return LazyImage(std::make_shared<const LazyImage::Impl>(
        LazyImage::Impl{.image = image, .profile = std::nullopt, .keepAlive = {}}));
}

LazyImage solidColor(int width, int height, double red, double green, double blue, double alpha) {
    if (width < 1 || height < 1) {
        throw std::invalid_argument("a solid colour needs a size");
    }
    VipsRuntime::ensure();
    auto sample = [](double component) { return std::round(std::clamp(component, 0.0, 1.0) * 255.0); };
    std::vector<double> pixel{sample(red), sample(green), sample(blue)};
    if (sample(alpha) < 255.0) {
        pixel.push_back(sample(alpha));
    }
    const VImage image = VImage::black(width, height)
                             .cast(VIPS_FORMAT_UCHAR)
                             .new_from_image(pixel)
                             .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    return LazyImage(std::make_shared<const LazyImage::Impl>(
        LazyImage::Impl{.image = image, .profile = std::nullopt, .keepAlive = {}}));
}

LazyImage gaussianBlur(const LazyImage& image, double sigma) {
    if (!(sigma > 0.0)) {
        return image;
    }
    const VImage samples = image.impl().image;
    if (samples.bands() != 4) {
        return derived(toUchar(clampedBlur(samples, sigma)), image);
    }
    // Blurred with colour weighted by alpha, so that the colour of transparent pixels (often
    // black) does not bleed into the visible ones.
    return derived(toUchar(unpremultiplied(clampedBlur(samples.premultiply(), sigma))), image);
}

LazyImage blendWithMask(const LazyImage& image, const LazyImage& background, const LazyImage& mask) {
    requireSameSize(image, background);
    requireSameSize(image, mask);
    // Both inputs must mean the same colours by the same samples; when their profiles differ
    // they meet in sRGB.
    const bool sameSpace = image.impl().profile == background.impl().profile;
    const VImage front = sameSpace ? image.impl().image : srgbSamples(image.impl());
    const VImage back = sameSpace ? background.impl().image : srgbSamples(background.impl());
    const VImage weights = maskWeights(mask);
    VImage blended;
    if (front.bands() == 3 && back.bands() == 3) {
        const VImage b = back.cast(VIPS_FORMAT_FLOAT);
        blended = b + (front.cast(VIPS_FORMAT_FLOAT) - b) * weights;
    } else {
        // Mixed with colour weighted by alpha, as compositing does: a transparent input
        // contributes coverage, never its hidden colour.
        const VImage a = opaqueAlphaAdded(front).premultiply();
        const VImage b = opaqueAlphaAdded(back).premultiply();
        blended = unpremultiplied(b + (a - b) * weights);
    }
    std::vector<Bitmap> keepAlive = image.impl().keepAlive;
    for (const LazyImage* other : {&background, &mask}) {
        keepAlive.insert(keepAlive.end(), other->impl().keepAlive.begin(), other->impl().keepAlive.end());
    }
    return LazyImage(std::make_shared<const LazyImage::Impl>(LazyImage::Impl{
        .image = toUchar(blended).copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB)),
        .profile = sameSpace ? image.impl().profile : std::nullopt,
        .keepAlive = std::move(keepAlive)}));
}

LazyImage autoAdjust(const LazyImage& image) {
    const VImage samples = image.impl().image;
    const std::optional<VImage> coverage =
        samples.bands() == 4 ? std::optional<VImage>(samples.extract_band(3)) : std::nullopt;
    return derived(withAlphaOf(autoAdjusted(toUchar(colourBands(samples)), coverage), samples), image);
}

LazyImage filledUnderTransparency(const LazyImage& image) {
    const VImage samples = image.impl().image;
    if (samples.bands() != 4) {
        return image;
    }
    // The alpha-weighted mean colour around each pixel: the visible colours nearby, whatever lies
    // under the transparency. Reaches a few dozen pixels, as far as any filter here reads.
    constexpr double reach = 12.0;
    const VImage nearby = colourBands(unpremultiplied(clampedBlur(samples.premultiply(), reach)));
    const VImage alpha = samples.extract_band(3);
    const VImage colour = (alpha == 0.0).ifthenelse(toUchar(nearby), colourBands(samples));
    return derived(colour.bandjoin(alpha), image);
}

LazyImage withoutAlpha(const LazyImage& image) {
    return derived(colourBands(image.impl().image), image);
}

LazyImage withAlphaOf(const LazyImage& colour, const LazyImage& shape) {
    requireSameSize(colour, shape);
    const VImage alpha = shape.impl().image.bands() == 4
                             ? shape.impl().image.extract_band(3)
                             : VImage::black(colour.width(), colour.height()) + 255.0;
    std::vector<Bitmap> keepAlive = colour.impl().keepAlive;
    keepAlive.insert(keepAlive.end(), shape.impl().keepAlive.begin(), shape.impl().keepAlive.end());
    return LazyImage(std::make_shared<const LazyImage::Impl>(
        LazyImage::Impl{.image = colourBands(colour.impl().image).bandjoin(alpha.cast(VIPS_FORMAT_UCHAR)),
                        .profile = colour.impl().profile,
                        .keepAlive = std::move(keepAlive)}));
}

LazyImage reduceNoise(const LazyImage& image, float noiseLevel, float sharpness) {
    const VImage samples = sharedInput(image.impl().image);
    const VImage cleaned =
        denoised(colourBands(samples), std::max(0.0f, noiseLevel), std::max(0.0f, sharpness));
    return derived(withAlphaOf(toUchar(cleaned), samples), image);
}

LazyImage unsharpMask(const LazyImage& image, float radius, float intensity) {
    if (!(radius > 0.0f) || intensity == 0.0f) {
        return image;
    }
    const VImage samples = sharedInput(image.impl().image);
    const VImage colour = colourBands(samples).cast(VIPS_FORMAT_FLOAT);
    VImage blurred;
    if (samples.bands() == 4) {
        // The blur weights colour by alpha, so that hidden colour cannot make halos.
        blurred = colourBands(unpremultiplied(clampedBlur(samples.premultiply(), radius)));
    } else {
        blurred = clampedBlur(colour, radius);
    }
    const VImage sharpened = colour + (colour - blurred) * static_cast<double>(intensity);
    return derived(withAlphaOf(toUchar(sharpened), samples), image);
}

} // namespace orvane::ImageFilters
