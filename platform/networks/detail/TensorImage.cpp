#include "platform/networks/detail/TensorImage.h"

#include <array>
#include <cmath>

#ifdef _OPENMP
// Rows shared out over the team the networks run on, which waits between layers anyway.
#define ORVANE_EACH_ROW_ON_THE_TEAM _Pragma("omp parallel for schedule(static)")
#else
// Built without OpenMP (by another compiler than the one oneDNN's runtime comes with): one thread.
#define ORVANE_EACH_ROW_ON_THE_TEAM
#endif

namespace orvane::TensorImage {

namespace {
// The BGRA byte that feeds each tensor channel.
std::array<int, 3> byteOfChannel(const std::string& channelOrder) {
    if (channelOrder == "BGR") {
        return {0, 1, 2};
    }
    return {2, 1, 0};
}
} // namespace

std::vector<float> fromPixels(const PixelBuffer& pixels, const PixelLayout& layout) {
    const std::size_t width = static_cast<std::size_t>(pixels.width());
    const std::size_t height = static_cast<std::size_t>(pixels.height());
    const std::size_t plane = width * height;
    const auto bytes = byteOfChannel(layout.channelOrder);
    const float scale = static_cast<float>(layout.range / 255.0);
    std::vector<float> tensor(plane * 3);
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* row = pixels.row(static_cast<int>(y));
        for (int channel = 0; channel < 3; ++channel) {
            float* out = tensor.data() + channel * plane + y * width;
            const std::uint8_t* in = row + bytes[channel];
            for (std::size_t x = 0; x < width; ++x) {
                out[x] = static_cast<float>(in[x * 4]) * scale;
            }
        }
    }
    return tensor;
}

namespace {

// One tensor value as a byte: clamped to [0, range], scaled to 0–255 and rounded.
struct ToByte {
    float range;
    float scale;

    explicit ToByte(const PixelLayout& layout)
        : range(static_cast<float>(layout.range))
        , scale(static_cast<float>(255.0 / layout.range)) {}

    std::uint8_t operator()(float value) const {
        // Written so that NaN becomes 0.
        const float clamped = value > 0 ? (value < range ? value : range) : 0.0f;
        // Rounds half away from zero, as std::lround does, for every float in [0, 256] (the sum is
        // exact in double and not negative, so truncation is floor), without a call into libm per
        // sample.
        return static_cast<std::uint8_t>(static_cast<int>(static_cast<double>(clamped * scale) + 0.5));
    }
};

} // namespace

void toRgba(const float* tensor, int width, int height, const PixelLayout& layout, const Part& part,
            std::uint8_t* rgba, std::size_t bytesPerRow) {
    const std::size_t plane = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const auto bytes = byteOfChannel(layout.channelOrder);
    const ToByte toByte(layout);
    // The tensor plane that feeds red, green and blue: the BGRA byte 2, 1 and 0.
    std::array<std::size_t, 3> planeOfColour{};
    for (std::size_t channel = 0; channel < 3; ++channel) {
        planeOfColour[2 - static_cast<std::size_t>(bytes[channel])] = channel * plane;
    }
    ORVANE_EACH_ROW_ON_THE_TEAM
    for (int y = 0; y < part.height; ++y) {
        const std::size_t start = static_cast<std::size_t>(part.y + y) * static_cast<std::size_t>(width) +
                                  static_cast<std::size_t>(part.x);
        const float* red = tensor + planeOfColour[0] + start;
        const float* green = tensor + planeOfColour[1] + start;
        const float* blue = tensor + planeOfColour[2] + start;
        std::uint8_t* out = rgba + static_cast<std::size_t>(y) * bytesPerRow;
        for (int x = 0; x < part.width; ++x, out += 4) {
            out[0] = toByte(red[x]);
            out[1] = toByte(green[x]);
            out[2] = toByte(blue[x]);
            out[3] = 255;
        }
    }
}

PixelBuffer toPixels(const float* tensor, int width, int height, const PixelLayout& layout) {
    PixelBuffer pixels(width, height);
    const std::size_t plane = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const auto bytes = byteOfChannel(layout.channelOrder);
    const ToByte toByte(layout);
    // The tensor plane that feeds each of the first three bytes of a pixel.
    std::array<std::size_t, 3> planeOfByte{};
    for (std::size_t channel = 0; channel < 3; ++channel) {
        planeOfByte[static_cast<std::size_t>(bytes[channel])] = channel * plane;
    }
    ORVANE_EACH_ROW_ON_THE_TEAM
    for (int y = 0; y < height; ++y) {
        const std::size_t start = static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        const float* in0 = tensor + planeOfByte[0] + start;
        const float* in1 = tensor + planeOfByte[1] + start;
        const float* in2 = tensor + planeOfByte[2] + start;
        std::uint8_t* out = pixels.row(y);
        for (int x = 0; x < width; ++x, out += 4) {
            out[0] = toByte(in0[x]);
            out[1] = toByte(in1[x]);
            out[2] = toByte(in2[x]);
            out[3] = 255;
        }
    }
    return pixels;
}

} // namespace orvane::TensorImage
