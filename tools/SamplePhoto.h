#pragma once

#include "platform/image/Bitmap.h"

namespace orvane::tools {

// A landscape of sky, hills and leaves drawn from a fixed seed: it looks and compresses like a
// photo, and needs nothing downloaded.
Bitmap samplePhoto(int width, int height);

} // namespace orvane::tools
