#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace orvane {

// A named paper size in centimetres, as listed (shorter side first).
struct PrintSize {
    std::string name;
    double widthCm = 0;
    double heightCm = 0;

    const std::string& id() const { return name; }

    static const std::vector<PrintSize>& presets();

    // The paper in pixels at `dpi`, in the requested orientation: (width, height).
    std::pair<std::int64_t, std::int64_t> pixels(int dpi, bool landscape) const;
    // The factor that makes a source of this size fill the paper at `dpi`, at least 1. The paper
    // takes the source's orientation; a square source counts as landscape.
    double requiredScale(std::int64_t width, std::int64_t height, int dpi) const;

    friend bool operator==(const PrintSize&, const PrintSize&) = default;
};

} // namespace orvane
