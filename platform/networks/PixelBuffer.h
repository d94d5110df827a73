#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvane {

// 8-bit BGRA pixels, row after row (the fourth byte is alpha, 255 for networks' outputs).
class PixelBuffer {
public:
    PixelBuffer(int width, int height); // zero-filled; throws std::invalid_argument for sizes < 1
    int width() const { return width_; }
    int height() const { return height_; }
    std::size_t bytesPerRow() const { return static_cast<std::size_t>(width_) * 4; }
    std::uint8_t* data() { return pixels_.data(); }
    const std::uint8_t* data() const { return pixels_.data(); }
    std::uint8_t* row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * bytesPerRow(); }
    const std::uint8_t* row(int y) const {
        return pixels_.data() + static_cast<std::size_t>(y) * bytesPerRow();
    }

private:
    int width_;
    int height_;
    std::vector<std::uint8_t> pixels_;
};

} // namespace orvane
