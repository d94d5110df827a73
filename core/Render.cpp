#include "core/Render.h"

#include "core/UpscaleError.h"

#include <algorithm>
#include <exception>
#include <utility>

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

namespace {
std::pair<int, int> downscaledSize(int width, int height, int maxLongEdge) {
    const double factor = static_cast<double>(maxLongEdge) / std::max(width, height);
    return {std::max(1, static_cast<int>(width * factor)), std::max(1, static_cast<int>(height * factor))};
}

AlphaInfo downscaledLayout(bool alpha) {
    return alpha ? AlphaInfo::premultipliedLast : AlphaInfo::noneSkipLast;
}
} // namespace

Bitmap downscaled(const Bitmap& image, int maxLongEdge) {
    if (std::max(image.width(), image.height()) <= maxLongEdge) {
        return image;
    }
    const auto [width, height] = downscaledSize(image.width(), image.height(), maxLongEdge);
    try {
        return LazyImage::fromBitmap(image)
            .resized(width, height)
            .render(downscaledLayout(hasAlphaChannel(image.alphaInfo())));
    } catch (const std::exception&) {
        return image;
    }
}

LazyImage downscaled(const LazyImage& image, int maxLongEdge) {
    if (std::max(image.width(), image.height()) <= maxLongEdge) {
        return image;
    }
    const auto [width, height] = downscaledSize(image.width(), image.height(), maxLongEdge);
    return image.resized(width, height).rendered(downscaledLayout(image.hasAlpha()));
}

} // namespace orvane::Render
