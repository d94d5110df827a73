#include "platform/image/ColorProfile.h"

#include "platform/image/detail/VipsRuntime.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>

namespace orvane {

namespace {
std::vector<std::uint8_t> loadSrgbBytes() {
    VipsRuntime::ensure();
    VipsBlob* blob = nullptr;
    if (vips_profile_load("srgb", &blob, nullptr) != 0 || blob == nullptr) {
        // Without sRGB nothing the library renders has a meaning; there is no way to go on.
        std::cerr << "orvane: the built-in sRGB profile is missing\n";
        std::abort();
    }
    std::size_t length = 0;
    const auto* data =
        static_cast<const std::uint8_t*>(vips_area_get_data(&blob->area, &length, nullptr, nullptr, nullptr));
    std::vector<std::uint8_t> bytes(data, data + length);
    vips_area_unref(&blob->area);
    return bytes;
}
} // namespace

ColorProfile::ColorProfile(std::vector<std::uint8_t> icc)
    : icc_(std::make_shared<const std::vector<std::uint8_t>>(std::move(icc))) {}

const ColorProfile& ColorProfile::srgb() {
    static const ColorProfile shared{loadSrgbBytes()};
    return shared;
}

ColorProfile ColorProfile::makeSrgb() {
    return ColorProfile{std::vector<std::uint8_t>(srgb().icc().begin(), srgb().icc().end())};
}

bool ColorProfile::isSrgb() const {
    return *this == srgb();
}

bool operator==(const ColorProfile& a, const ColorProfile& b) {
    return a.icc_ == b.icc_ || std::ranges::equal(*a.icc_, *b.icc_);
}

} // namespace orvane
