#pragma once

#include <variant>

namespace orvane {

// What goes behind a cut-out subject.
struct BackdropColor {
    double red = 0; // 0 to 1 each; the colour is opaque
    double green = 0;
    double blue = 0;
    friend bool operator==(const BackdropColor&, const BackdropColor&) = default;
};
struct BackdropBlur {
    double radius = 0; // in thousandths of the photo's long side
    friend bool operator==(const BackdropBlur&, const BackdropBlur&) = default;
};
struct BackdropTransparent {
    friend bool operator==(const BackdropTransparent&, const BackdropTransparent&) = default;
};
using Backdrop = std::variant<BackdropColor, BackdropBlur, BackdropTransparent>;

} // namespace orvane
