#include "tools/SamplePhoto.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace orvane::tools {

Bitmap samplePhoto(int width, int height) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    std::uint32_t seed = 12345;
    const double scale = width / 2400.0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const double sky = static_cast<double>(y) / height;
            const double hill = std::sin(x * 0.004 / scale) * 120 * scale + height * 0.6;
            const int grain = static_cast<int>(seed >> 28) - 8;
            std::uint8_t* p = &pixels[(static_cast<std::size_t>(y) * width + x) * 4];
            if (y < hill) {
                p[0] = static_cast<std::uint8_t>(90 + 80 * sky + grain);
                p[1] = static_cast<std::uint8_t>(140 + 60 * sky + grain);
                p[2] = static_cast<std::uint8_t>(230 - 30 * sky + grain);
            } else {
                const double leaf = std::sin(x * 0.05 / scale) * std::cos(y * 0.07 / scale) * 30;
                p[0] = static_cast<std::uint8_t>(std::clamp(60 + leaf + grain * 3, 0.0, 255.0));
                p[1] = static_cast<std::uint8_t>(std::clamp(120 + leaf + grain * 3, 0.0, 255.0));
                p[2] = static_cast<std::uint8_t>(std::clamp(50 + leaf / 2 + grain * 3, 0.0, 255.0));
            }
            p[3] = 255;
        }
    }
    return Bitmap(width, height, AlphaInfo::noneSkipLast, std::move(pixels));
}

} // namespace orvane::tools
