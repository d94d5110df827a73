#pragma once

#include "core/background/Backdrop.h"

namespace orvane::StandardBackdrop {

// The backdrops that the background tool and the remove-background action both offer by name, so
// that a photo gets the same white and the same blur whichever way it was asked for.
inline constexpr BackdropColor white{1.0, 1.0, 1.0};
inline constexpr BackdropBlur blur{25.0};

} // namespace orvane::StandardBackdrop
