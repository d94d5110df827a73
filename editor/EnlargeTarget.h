#pragma once

#include "core/upscale/PrintSize.h"

#include <variant>

namespace orvane {

// How big the enlarge tool makes the photo.
struct EnlargeFactor {
    double factor = 4.0;
    // As numbers: a NaN factor equals nothing.
    friend bool operator==(const EnlargeFactor&, const EnlargeFactor&) = default;
};
// A paper size, printed at 300 dpi.
struct EnlargePrint {
    PrintSize size;
    // Name and both sides: two papers of one name but different sizes differ.
    friend bool operator==(const EnlargePrint&, const EnlargePrint&) = default;
};
// The pixel size of the main screen.
struct EnlargeScreen {
    friend bool operator==(const EnlargeScreen&, const EnlargeScreen&) = default;
};
using EnlargeTarget = std::variant<EnlargeFactor, EnlargePrint, EnlargeScreen>;

} // namespace orvane
