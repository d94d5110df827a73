#include "core/enhance/Enhancer.h"

#include "core/Render.h"
#include "core/UpscaleError.h"
#include "platform/Cancelled.h"
#include "platform/filters/ImageFilters.h"

#include <algorithm>

namespace orvane::Enhancer {

FilterSettings filterSettings(double strength, int longSide) {
    const double s = std::clamp(strength, 0.0, 1.0);
    return FilterSettings{.noiseLevel = static_cast<float>(0.03 * s + 0.005),
                          .sharpness = static_cast<float>(0.4 * s + 0.2),
                          .unsharpRadius = static_cast<float>(longSide / 2000.0 * (1.5 * s + 1)),
                          .unsharpIntensity = static_cast<float>(0.5 * s + 0.25)};
}

Bitmap applyFilters(const Bitmap& image, bool autoLight, bool reduceNoise, bool sharpen, double strength) {
    try {
        // The colour hidden under transparency (often black) must not reach the visible edge
        // through the filters that read neighbourhoods.
        LazyImage current = ImageFilters::filledUnderTransparency(LazyImage::fromBitmap(image));
        const FilterSettings settings = filterSettings(strength, std::max(image.width(), image.height()));
        if (autoLight) {
            current = ImageFilters::autoAdjust(current);
        }
        if (reduceNoise) {
            current = ImageFilters::reduceNoise(current, settings.noiseLevel, settings.sharpness);
        }
        if (sharpen) {
            current = ImageFilters::unsharpMask(current, settings.unsharpRadius, settings.unsharpIntensity);
        }
        return Render::flattenedOnWhite(current);
    } catch (const Error&) {
        throw;
    } catch (const std::exception&) {
        // The image library's own words are not the user's: a failed filter is a failed render.
        throw UpscaleError::output();
    }
}

Bitmap applyFilters(const Bitmap& image, const EnhanceOptions& options) {
    return applyFilters(image, options.autoLight, options.reduceNoise, options.sharpen, options.strength);
}

Bitmap enhance(const Bitmap& image, const EnhanceOptions& options, const Upscaler* upscaler,
               const Upscaler::ProgressHandler& progress, std::stop_token stop) {
    Bitmap current = image;
    if (options.aiDetail && upscaler != nullptr) {
        if (hasAlphaChannel(image.alphaInfo())) {
            // The network sees no transparency: it gets the picture carried on beyond its visible
            // edge, and its result takes the source's alpha back, pixel for pixel at scale 1.
            const LazyImage shape = LazyImage::fromBitmap(image);
            const Bitmap colour = Render::cgImage(
                ImageFilters::withoutAlpha(ImageFilters::filledUnderTransparency(shape)), false);
            const Bitmap detailed = upscaler->upscale(colour, 1.0, 256, progress, stop);
            current =
                Render::cgImage(ImageFilters::withAlphaOf(LazyImage::fromBitmap(detailed), shape), true);
        } else {
            current = upscaler->upscale(current, 1.0, 256, progress, stop);
        }
    }
    if (stop.stop_requested()) {
        throw Cancelled();
    }
    return applyFilters(current, options);
}

} // namespace orvane::Enhancer
