#pragma once

#include "core/RawRepresentable.h"
#include "core/upscale/UpscaleModel.h"

#include <string>

namespace orvane {

// Which network the enlarge action uses.
enum class StyleOption { photo, detail, art };

template <> struct RawValues<StyleOption> {
    static constexpr std::array<std::pair<StyleOption, std::string_view>, 3> table{{
        {StyleOption::photo, "photo"},
        {StyleOption::detail, "detail"},
        {StyleOption::art, "art"},
    }};
};

std::string typeDisplayName(StyleOption);
std::string displayText(StyleOption option);
UpscaleModel model(StyleOption option);

} // namespace orvane
