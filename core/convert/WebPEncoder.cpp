#include "core/convert/ConvertError.h"
#include "core/convert/detail/ConverterSteps.h"
#include "platform/filters/LazyImage.h"
#include "platform/image/PixelOps.h"

#include <climits>
#include <memory>
#include <webp/encode.h>

namespace orvane::Converter {

void unpremultiply(std::span<std::uint8_t> rgba) {
    PixelOps::unpremultiply(rgba);
}

Bytes packRGB(std::span<const std::uint8_t> rgba) {
    Bytes rgb(rgba.size() / 4 * 3);
    for (std::size_t i = 0, n = rgba.size() / 4; i < n; ++i) {
        rgb[3 * i] = rgba[4 * i];
        rgb[3 * i + 1] = rgba[4 * i + 1];
        rgb[3 * i + 2] = rgba[4 * i + 2];
    }
    return rgb;
}

float webpQualityFactor(double quality) {
    return static_cast<float>(quality * 100);
}

Bytes encodeWebP(const Bitmap& image, double quality) {
    const int w = image.width();
    const int h = image.height();
    if (static_cast<long long>(w) * 4 > INT_MAX) {
        throw ConvertRequestError::imageTooLarge("WebP");
    }
    const bool alpha = hasAlpha(image);
    // Four straight bytes a pixel with alpha, three without.
    Bytes pixels;
    if (!alpha && image.colorProfile().isSrgb()) {
        // Drawing an opaque sRGB image into an opaque sRGB canvas leaves its colour bytes as they
        // are: they are packed straight from the image, without a full-size canvas in between.
        pixels = packRGB(image.pixels());
    } else {
        try {
            // Drawn into an sRGB canvas: premultiplied when there is alpha, opaque otherwise.
            const Bitmap drawn = LazyImage::fromBitmap(image).render(alpha ? AlphaInfo::premultipliedLast
                                                                           : AlphaInfo::noneSkipLast);
            if (alpha) {
                pixels.assign(drawn.pixels().begin(), drawn.pixels().end());
                unpremultiply(pixels);
            } else {
                pixels = packRGB(drawn.pixels());
            }
        } catch (const std::exception&) {
            throw ConvertError::encodeFailed("WebP");
        }
    }
    const float factor = webpQualityFactor(quality);
    std::uint8_t* output = nullptr;
    const std::size_t size = alpha ? WebPEncodeRGBA(pixels.data(), w, h, w * 4, factor, &output)
                                   : WebPEncodeRGB(pixels.data(), w, h, w * 3, factor, &output);
    const std::unique_ptr<std::uint8_t, decltype(&WebPFree)> owned(output, &WebPFree);
    if (size == 0 || output == nullptr) {
        throw ConvertError::encodeFailed("WebP");
    }
    return Bytes(output, output + size);
}

} // namespace orvane::Converter
