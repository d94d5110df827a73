#pragma once

// A network's low-resolution likelihood map as a mask at the photo's pixel size. Internal to
// subject detection.

#include "platform/filters/Mask.h"

#include <span>

namespace orvane::MaskScaling {

// `values` holds width × height likelihoods from 0 to 1, row after row. The result is resampled
// with a Lanczos kernel on the floats, before rounding to 8 bits, so that edges stay smooth at any
// enlargement; overshoot at edges is clipped to 0…255.
Mask resized(std::span<const float> values, int width, int height, int targetWidth, int targetHeight);

} // namespace orvane::MaskScaling
