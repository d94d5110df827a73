#include "platform/image/Bitmap.h"

#include "platform/image/PixelOps.h"

#include <stdexcept>

namespace orvane {

bool hasAlphaChannel(AlphaInfo info) {
    return info != AlphaInfo::noneSkipLast;
}

bool Bitmap::sizeIsAcceptable(std::int64_t width, std::int64_t height) {
    return width >= 1 && height >= 1 && width <= maxSide && height <= maxSide && width * height <= maxPixels;
}

Bitmap::Bitmap(int width, int height, AlphaInfo alpha, std::vector<std::uint8_t> pixels,
               ColorProfile profile) {
    if (!sizeIsAcceptable(width, height) ||
        pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4) {
        throw std::invalid_argument("bitmap size does not match its pixels");
    }
    auto storage = std::make_shared<Storage>(
        Storage{width, height, alpha, std::move(pixels), std::move(profile), std::nullopt, {}});
    storage->view = storage->pixels;
    storage_ = std::move(storage);
}

Bitmap::Bitmap(int width, int height, AlphaInfo alpha, PixelMemory pixels, ColorProfile profile) {
    const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    if (!sizeIsAcceptable(width, height) || pixels.size() < bytes) {
        throw std::invalid_argument("bitmap size does not match its pixels");
    }
    auto storage =
        std::make_shared<Storage>(Storage{width, height, alpha, {}, std::move(profile), std::nullopt, {}});
    storage->view = {pixels.data(), bytes};
    storage->memory.emplace(std::move(pixels));
    storage_ = std::move(storage);
}

Bitmap Bitmap::premultiplied() const {
    if (alphaInfo() != AlphaInfo::last) {
        return *this;
    }
    std::vector<std::uint8_t> out(pixels().begin(), pixels().end());
    PixelOps::premultiply(out);
    return Bitmap(width(), height(), AlphaInfo::premultipliedLast, std::move(out), colorProfile());
}

Bitmap Bitmap::unpremultiplied() const {
    if (alphaInfo() != AlphaInfo::premultipliedLast) {
        return *this;
    }
    std::vector<std::uint8_t> out(pixels().begin(), pixels().end());
    PixelOps::unpremultiply(out);
    return Bitmap(width(), height(), AlphaInfo::last, std::move(out), colorProfile());
}

} // namespace orvane
