#include "core/upscale/DeviceLimits.h"

#include "platform/application/SystemMemory.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace orvane::DeviceLimits {

std::uint64_t physicalMemory() {
    return SystemMemory::physicalBytes();
}

std::int64_t maxPixels(std::uint64_t memory) {
    return static_cast<std::int64_t>(std::min(static_cast<double>(memory) * 0.03125, 400'000'000.0));
}

std::int64_t maxPixels() {
    return maxPixels(physicalMemory());
}

double maxScale(std::int64_t width, std::int64_t height, double requested, std::int64_t budget) {
    std::int64_t pixels = 0;
    if (__builtin_mul_overflow(width, height, &pixels)) {
        throw std::invalid_argument("pixel count overflows");
    }
    const double limit = std::sqrt(static_cast<double>(budget) / static_cast<double>(pixels));
    return std::isnan(limit) ? requested : std::min(limit, requested);
}

bool fitsPixelBudget(std::int64_t width, std::int64_t height, std::int64_t budget) {
    std::int64_t pixels = 0;
    return width >= 0 && height >= 0 && !__builtin_mul_overflow(width, height, &pixels) && pixels <= budget;
}

bool fitsPixelBudget(std::int64_t width, std::int64_t height) {
    return fitsPixelBudget(width, height, maxPixels());
}

double maxScale(std::int64_t width, std::int64_t height, double requested) {
    return maxScale(width, height, requested, maxPixels());
}

} // namespace orvane::DeviceLimits
