#include "core/upscale/PrintSize.h"

#include "core/upscale/TilePlan.h"

#include <algorithm>
#include <cmath>

namespace orvane {

const std::vector<PrintSize>& PrintSize::presets() {
    static const std::vector<PrintSize> sizes = {
        {"10×15 cm", 10, 15}, {"13×18 cm", 13, 18}, {"A4", 21.0, 29.7},     {"30×40 cm", 30, 40},
        {"A3", 29.7, 42.0},   {"50×70 cm", 50, 70}, {"70×100 cm", 70, 100},
    };
    return sizes;
}

std::pair<std::int64_t, std::int64_t> PrintSize::pixels(int dpi, bool landscape) const {
    const std::int64_t a = TilePlan::round(widthCm / 2.54 * dpi);
    const std::int64_t b = TilePlan::round(heightCm / 2.54 * dpi);
    return landscape ? std::pair{std::max(a, b), std::min(a, b)} : std::pair{std::min(a, b), std::max(a, b)};
}

double PrintSize::requiredScale(std::int64_t width, std::int64_t height, int dpi) const {
    const auto [pw, ph] = pixels(dpi, width >= height);
    const double sx = static_cast<double>(pw) / static_cast<double>(width);
    const double sy = static_cast<double>(ph) / static_cast<double>(height);
    const double scale = std::max(sx, sy);
    return std::isnan(scale) ? 1.0 : std::max(scale, 1.0);
}

} // namespace orvane
