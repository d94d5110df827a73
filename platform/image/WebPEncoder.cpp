#include "platform/image/WebPEncoder.h"

#include "platform/files/FileError.h"
#include "platform/filters/LazyImage.h"
#include "platform/image/ImageSizeError.h"
#include "platform/image/PixelOps.h"

#include <climits>
#include <memory>
#include <webp/encode.h>

namespace orvane::WebPEncoder {

namespace {
[[noreturn]] void failed() {
    throw FileError(FileError::Code::fileWriteUnknown);
}
} // namespace

static_assert(largestSide == WEBP_MAX_DIMENSION);
// Rows of the largest width still count their bytes in an int, as libwebp does.
static_assert(static_cast<long long>(largestSide) * 4 <= INT_MAX);

Bytes packRGB(std::span<const std::uint8_t> rgba) {
    Bytes rgb(rgba.size() / 4 * 3);
    for (std::size_t i = 0, n = rgba.size() / 4; i < n; ++i) {
        rgb[3 * i] = rgba[4 * i];
        rgb[3 * i + 1] = rgba[4 * i + 1];
        rgb[3 * i + 2] = rgba[4 * i + 2];
    }
    return rgb;
}

float qualityFactor(double quality) {
    return static_cast<float>(quality * 100);
}

Bytes encode(const Bitmap& image, double quality) {
    const int w = image.width();
    const int h = image.height();
    if (w > largestSide || h > largestSide) {
        throw ImageSizeError("public.webp", largestSide);
    }
    const bool alpha = hasAlphaChannel(image.alphaInfo());
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
                PixelOps::unpremultiply(pixels);
            } else {
                pixels = packRGB(drawn.pixels());
            }
        } catch (const std::exception&) {
            failed();
        }
    }
    const float factor = qualityFactor(quality);
    std::uint8_t* output = nullptr;
    const std::size_t size = alpha ? WebPEncodeRGBA(pixels.data(), w, h, w * 4, factor, &output)
                                   : WebPEncodeRGB(pixels.data(), w, h, w * 3, factor, &output);
    const std::unique_ptr<std::uint8_t, decltype(&WebPFree)> owned(output, &WebPFree);
    if (size == 0 || output == nullptr) {
        failed();
    }
    return Bytes(output, output + size);
}

} // namespace orvane::WebPEncoder
