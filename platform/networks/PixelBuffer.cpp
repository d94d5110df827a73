#include "platform/networks/PixelBuffer.h"

#include <stdexcept>

namespace orvane {

PixelBuffer::PixelBuffer(int width, int height)
    : width_(width)
    , height_(height) {
    if (width < 1 || height < 1) {
        throw std::invalid_argument("PixelBuffer needs a width and a height of at least 1");
    }
    pixels_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
}

} // namespace orvane
