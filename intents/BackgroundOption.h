#pragma once

#include "core/RawRepresentable.h"
#include "core/background/Backdrop.h"

#include <string>

namespace orvane {

// What the remove-background action puts behind the subject.
enum class BackgroundOption { none, white, blur };

template <> struct RawValues<BackgroundOption> {
    static constexpr std::array<std::pair<BackgroundOption, std::string_view>, 3> table{{
        {BackgroundOption::none, "none"},
        {BackgroundOption::white, "white"},
        {BackgroundOption::blur, "blur"},
    }};
};

std::string typeDisplayName(BackgroundOption);
std::string displayText(BackgroundOption option);
Backdrop backdrop(BackgroundOption option);

} // namespace orvane
