#pragma once

// Which shipped enlarging networks the build quantised to int8, and their float originals.

#include "core/upscale/UpscaleModel.h"
#include "platform/image/Bitmap.h"
#include "platform/networks/Network.h"

#include <filesystem>

namespace orvane::test {

bool isShippedInInt8(UpscaleModel model);
// The float bundle the build compiled beside an int8 network, for comparing the two.
std::filesystem::path floatBundle(UpscaleModel model);
// An opaque picture in the networks' input format (BGRA).
PixelBuffer networkInput(const Bitmap& image);

} // namespace orvane::test
