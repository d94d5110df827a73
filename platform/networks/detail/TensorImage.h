#pragma once

// BGRA8 pixels to and from a network's float32 image tensor, planar [1, 3, H, W]. Internal to the
// network runtime.

#include "platform/networks/PixelBuffer.h"

#include <string>
#include <vector>

namespace orvane::TensorImage {

// How a network wants its pixels: the tensor value of a full-intensity channel, and the order of
// the tensor's channels ("RGB" or "BGR").
struct PixelLayout {
    double range = 255;
    std::string channelOrder = "RGB";
};

// value = byte × range / 255, channels in the layout's order.
std::vector<float> fromPixels(const PixelBuffer& pixels, const PixelLayout& layout);

// Clamps each value to [0, range], scales it to 0–255 and rounds it to the nearest byte; alpha is
// 255. `tensor` holds 3 × height × width values. The rows are shared out over the networks' threads.
PixelBuffer toPixels(const float* tensor, int width, int height, const PixelLayout& layout);

// A part of the picture in the tensor, in its pixels.
struct Part {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// As toPixels, for `part` of the tensor's picture alone, written as RGBA rows `bytesPerRow` apart at
// `rgba`: the same bytes in red-first order. The rows are shared out over the networks' threads.
void toRgba(const float* tensor, int width, int height, const PixelLayout& layout, const Part& part,
            std::uint8_t* rgba, std::size_t bytesPerRow);

} // namespace orvane::TensorImage
