#pragma once

#include "platform/image/ColorProfile.h"
#include "platform/image/PixelMemory.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace orvane {

// How the fourth byte of every pixel is read. Pixels are always four 8-bit samples, red first.
enum class AlphaInfo {
    noneSkipLast,      // opaque; the fourth byte is padding
    premultipliedLast, // colour already multiplied by alpha
    last,              // straight (unassociated) alpha
};

bool hasAlphaChannel(AlphaInfo info);

// An immutable decoded image: cheap to copy (the pixels are shared), and two handles are equal
// only when they share the very same pixels.
class Bitmap {
public:
    Bitmap(int width, int height, AlphaInfo alpha, std::vector<std::uint8_t> pixels,
           ColorProfile profile = ColorProfile::srgb());
    // Pixels written in place into memory of their own (the first width × height × 4 bytes).
    Bitmap(int width, int height, AlphaInfo alpha, PixelMemory pixels,
           ColorProfile profile = ColorProfile::srgb());

    int width() const { return storage_->width; }
    int height() const { return storage_->height; }
    AlphaInfo alphaInfo() const { return storage_->alpha; }
    const ColorProfile& colorProfile() const { return storage_->profile; }
    std::size_t bytesPerRow() const { return static_cast<std::size_t>(width()) * 4; }
    std::span<const std::uint8_t> pixels() const { return storage_->view; }
    const std::uint8_t* pixel(int x, int y) const {
        return storage_->view.data() + static_cast<std::size_t>(y) * bytesPerRow() +
               static_cast<std::size_t>(x) * 4;
    }

    // The same pixels with colour multiplied by alpha (or straight again); an opaque bitmap comes
    // back as itself.
    Bitmap premultiplied() const;
    Bitmap unpremultiplied() const;

    friend bool operator==(const Bitmap& a, const Bitmap& b) { return a.storage_ == b.storage_; }

    // The largest image the library accepts, by each side and in total, so that a hostile header
    // can never ask for more memory than a real photo would.
    static constexpr int maxSide = 1 << 17;
    static constexpr std::int64_t maxPixels = 1'000'000'000;
    static bool sizeIsAcceptable(std::int64_t width, std::int64_t height);

private:
    struct Storage {
        int width;
        int height;
        AlphaInfo alpha;
        std::vector<std::uint8_t> pixels;
        ColorProfile profile;
        std::optional<PixelMemory> memory; // holds the pixels instead of `pixels` when present
        std::span<const std::uint8_t> view;
    };
    std::shared_ptr<const Storage> storage_;
};

} // namespace orvane
