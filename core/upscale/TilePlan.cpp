#include "core/upscale/TilePlan.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace orvane {

namespace {

std::int64_t checkedAdd(std::int64_t a, std::int64_t b) {
    std::int64_t result = 0;
    if (__builtin_add_overflow(a, b, &result)) {
        throw std::invalid_argument("tile coordinates overflow");
    }
    return result;
}

std::int64_t checkedSub(std::int64_t a, std::int64_t b) {
    std::int64_t result = 0;
    if (__builtin_sub_overflow(a, b, &result)) {
        throw std::invalid_argument("tile coordinates overflow");
    }
    return result;
}

} // namespace

std::int64_t TilePlan::round(double value) {
    const double rounded = std::round(value); // halves away from zero
    if (!std::isfinite(rounded) || rounded < -9.2e18 || rounded > 9.2e18) {
        throw std::invalid_argument("coordinate out of range");
    }
    return static_cast<std::int64_t>(rounded);
}

TilePlan::TilePlan(std::int64_t width, std::int64_t height, std::int64_t tileSize, std::int64_t pad,
                   double scale)
    : sourceSize_{width, height}
    , tileSize_(tileSize)
    , pad_(pad) {
    if (!(scale > 0) || pad < 0 || checkedAdd(pad, pad) >= tileSize) {
        throw std::invalid_argument("tile plan outside its contract");
    }
    const std::int64_t step = checkedSub(tileSize, checkedAdd(pad, pad));
    const std::int64_t outW = round(static_cast<double>(width) * scale);
    const std::int64_t outH = round(static_cast<double>(height) * scale);
    outputSize_ = {outW, outH};
    if (width <= 0 || height <= 0) {
        return;
    }
    tiles_.reserve(static_cast<std::size_t>(((width + step - 1) / step) * ((height + step - 1) / step)));
    for (std::int64_t y = 0; y < height; y = checkedAdd(y, step)) {
        const std::int64_t ih = std::min(step, height - y);
        const std::int64_t y0 = round(static_cast<double>(y) * scale);
        const std::int64_t y1 = y + ih >= height ? outH : round(static_cast<double>(y + ih) * scale);
        for (std::int64_t x = 0; x < width; x = checkedAdd(x, step)) {
            const std::int64_t iw = std::min(step, width - x);
            const std::int64_t x0 = round(static_cast<double>(x) * scale);
            const std::int64_t x1 = x + iw >= width ? outW : round(static_cast<double>(x + iw) * scale);
            tiles_.push_back(Tile{.inputRect = {checkedSub(x, pad), checkedSub(y, pad), tileSize, tileSize},
                                  .innerRect = {x, y, iw, ih},
                                  .outputRect = {x0, y0, checkedSub(x1, x0), checkedSub(y1, y0)}});
        }
    }
}

std::vector<double> TilePlan::passes(double scale, double modelScale) {
    if (!(scale > 1)) {
        return {scale};
    }
    if (!(modelScale >= 2)) {
        // The remaining factor would never shrink below the limit.
        throw std::invalid_argument("network factor below 2");
    }
    const double limit = modelScale + 1e-9;
    std::vector<double> factors;
    double remaining = scale;
    while (remaining > limit) {
        factors.push_back(modelScale);
        remaining /= modelScale;
    }
    factors.push_back(remaining);
    return factors;
}

} // namespace orvane
