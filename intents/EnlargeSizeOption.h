#pragma once

#include "core/RawRepresentable.h"

#include <string>

namespace orvane {

// How much the enlarge action enlarges.
enum class EnlargeSizeOption { x2, x4, x8 };

template <> struct RawValues<EnlargeSizeOption> {
    static constexpr std::array<std::pair<EnlargeSizeOption, std::string_view>, 3> table{{
        {EnlargeSizeOption::x2, "x2"},
        {EnlargeSizeOption::x4, "x4"},
        {EnlargeSizeOption::x8, "x8"},
    }};
};

std::string typeDisplayName(EnlargeSizeOption);
std::string displayText(EnlargeSizeOption option); // "2×", with the multiplication sign
double factor(EnlargeSizeOption option);

} // namespace orvane
