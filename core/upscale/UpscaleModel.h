#pragma once

#include "core/RawRepresentable.h"

#include <string>

namespace orvane {

// The super-resolution styles on offer. Each raw value names the style's network file.
enum class UpscaleModel { fast, detail, art };

template <> struct RawValues<UpscaleModel> {
    static constexpr std::array<std::pair<UpscaleModel, std::string_view>, 3> table{{
        {UpscaleModel::fast, "realesr-general-x4v3"},
        {UpscaleModel::detail, "RealESRGAN_x4plus"},
        {UpscaleModel::art, "RealESRGAN_x4plus_anime_6B"},
    }};
};

std::string title(UpscaleModel model);
std::string subtitle(UpscaleModel model);

} // namespace orvane
