#pragma once

#include "core/RawRepresentable.h"
#include "core/convert/ConvertFormat.h"

#include <string>

namespace orvane {

// The convert action's format choices. Its order (WebP before AVIF) is not the converter's; the
// mapping goes by meaning.
enum class ConvertFormatOption { jpg, png, heic, webp, avif };

template <> struct RawValues<ConvertFormatOption> {
    static constexpr std::array<std::pair<ConvertFormatOption, std::string_view>, 5> table{{
        {ConvertFormatOption::jpg, "jpg"},
        {ConvertFormatOption::png, "png"},
        {ConvertFormatOption::heic, "heic"},
        {ConvertFormatOption::webp, "webp"},
        {ConvertFormatOption::avif, "avif"},
    }};
};

std::string typeDisplayName(ConvertFormatOption);
std::string displayText(ConvertFormatOption option);
ConvertFormat format(ConvertFormatOption option);

} // namespace orvane
