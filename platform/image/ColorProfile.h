#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace orvane {

// An ICC colour profile that travels with pixels. It is shared and immutable, so copying one
// never copies the profile bytes.
class ColorProfile {
public:
    explicit ColorProfile(std::vector<std::uint8_t> icc);

    // The one process-wide sRGB profile; created once, on first use, from any thread.
    static const ColorProfile& srgb();
    // A fresh, unshared sRGB profile with the same bytes.
    static ColorProfile makeSrgb();

    std::span<const std::uint8_t> icc() const { return *icc_; }
    bool isSrgb() const;

    // Same profile bytes; two sRGB profiles made apart are equal.
    friend bool operator==(const ColorProfile& a, const ColorProfile& b);

private:
    std::shared_ptr<const std::vector<std::uint8_t>> icc_;
};

} // namespace orvane
