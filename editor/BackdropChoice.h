#pragma once

#include "core/RawRepresentable.h"

namespace orvane {

// What the background tool puts behind the subject. `color` takes the editor's backdrop colour;
// `blur` is a blur of the photo itself.
enum class BackdropChoice { transparent, white, color, blur };

template <> struct RawValues<BackdropChoice> {
    static constexpr std::array<std::pair<BackdropChoice, std::string_view>, 4> table{{
        {BackdropChoice::transparent, "transparent"},
        {BackdropChoice::white, "white"},
        {BackdropChoice::color, "color"},
        {BackdropChoice::blur, "blur"},
    }};
};

} // namespace orvane
