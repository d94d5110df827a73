#include "editor/TransparencyGrid.h"

#include <algorithm>

namespace orvane::TransparencyGrid {

int squareFor(int longEdge) {
    constexpr int block = 8;
    return std::max(block, longEdge / 10 / block * block);
}

Bitmap flattened(const Bitmap& image, int square) {
    if (!hasAlphaChannel(image.alphaInfo())) {
        return image;
    }
    square = std::max(square, 1);
    const Bitmap source = image.premultiplied();
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(source.width()) * source.height() * 4);
    std::uint8_t* out = pixels.data();
    for (int y = 0; y < source.height(); ++y) {
        const std::uint8_t* in = source.pixel(0, y);
        for (int x = 0; x < source.width(); ++x, in += 4, out += 4) {
            const Color& backdrop = (x / square + y / square) % 2 == 0 ? grey : white;
            const int uncovered = 255 - in[3];
            for (int channel = 0; channel < 3; ++channel) {
                const int value = in[channel] + (backdrop[channel] * uncovered + 127) / 255;
                out[channel] = static_cast<std::uint8_t>(std::min(value, 255));
            }
            out[3] = 255;
        }
    }
    return Bitmap(source.width(), source.height(), AlphaInfo::noneSkipLast, std::move(pixels),
                  source.colorProfile());
}

} // namespace orvane::TransparencyGrid
