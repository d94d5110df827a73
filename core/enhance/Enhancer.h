#pragma once

#include "core/enhance/EnhanceOptions.h"
#include "core/upscale/Upscaler.h"
#include "platform/image/Bitmap.h"

#include <stop_token>

namespace orvane::Enhancer {

// Improves a photo in one pass: the network's detail pass when asked for and an upscaler is given,
// then the filters. Throws Cancelled when `stop` is requested by the end of the detail pass, before
// any filter runs; the upscaler's errors pass through.
Bitmap enhance(const Bitmap& image, const EnhanceOptions& options, const Upscaler* upscaler = nullptr,
               const Upscaler::ProgressHandler& progress = {}, std::stop_token stop = {});

// Automatic light, noise reduction and unsharp masking, scaled by the strength (clamped to 0–1):
// an opaque 8-bit sRGB image of the input's size, with any transparency laid over white.
Bitmap applyFilters(const Bitmap& image, bool autoLight, bool reduceNoise, bool sharpen, double strength);
Bitmap applyFilters(const Bitmap& image, const EnhanceOptions& options);

// The filters' settings for a strength and a long side, as applyFilters uses them.
struct FilterSettings {
    float noiseLevel;
    float sharpness;
    float unsharpRadius;
    float unsharpIntensity;
};
FilterSettings filterSettings(double strength, int longSide);

} // namespace orvane::Enhancer
