#pragma once

#include "core/background/Backdrop.h"
#include "platform/filters/Mask.h"
#include "platform/image/Bitmap.h"

#include <optional>

namespace orvane::BackgroundRemover {

// Cuts the subject out and puts the backdrop behind it: opaque 8-bit sRGB, or with alpha for a
// transparent backdrop, always at the photo's size. Without a mask the subject is found first; a
// given mask must have the photo's size. Throws BackgroundError, or UpscaleError::output when the
// result cannot be rendered.
Bitmap composite(const Bitmap& image, const Backdrop& backdrop,
                 const std::optional<Mask>& mask = std::nullopt);

// The mask of every subject in the photo, at its pixel size, white where the subject is. Throws
// BackgroundError.
Mask subjectMask(const Bitmap& image);

} // namespace orvane::BackgroundRemover
