#include "core/Render.h"

#include "core/UpscaleError.h"

#include <algorithm>
#include <exception>

namespace orvane::Render {

const ColorProfile& srgb() {
    return ColorProfile::srgb();
}

ColorProfile makeSrgb() {
    return ColorProfile::makeSrgb();
}

Bitmap cgImage(const LazyImage& image, bool keepAlpha) {
    try {
        return image.render(keepAlpha ? AlphaInfo::last : AlphaInfo::noneSkipLast);
    } catch (const std::exception&) {
        throw UpscaleError::output();
    }
}

Bitmap flattenedOnWhite(const LazyImage& image) {
    return cgImage(image.flattened(255, 255, 255), false);
}

Bitmap flattenedOnWhite(const Bitmap& image) {
    if (!hasAlphaChannel(image.alphaInfo())) {
        return image;
    }
    return flattenedOnWhite(LazyImage::fromBitmap(image));
}

Bitmap downscaled(const Bitmap& image, int maxLongEdge) {
    const int longEdge = std::max(image.width(), image.height());
    if (longEdge <= maxLongEdge) {
        return image;
    }
    const double factor = static_cast<double>(maxLongEdge) / longEdge;
    const int width = std::max(1, static_cast<int>(image.width() * factor));
    const int height = std::max(1, static_cast<int>(image.height() * factor));
    const AlphaInfo layout =
        hasAlphaChannel(image.alphaInfo()) ? AlphaInfo::premultipliedLast : AlphaInfo::noneSkipLast;
    try {
        return LazyImage::fromBitmap(image).resized(width, height).render(layout);
    } catch (const std::exception&) {
        return image;
    }
}

} // namespace orvane::Render
