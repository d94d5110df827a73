#pragma once

#include "platform/image/Bitmap.h"

#include <QImage>

namespace orvane {

// A QImage over the bitmap's own pixels, without copying them: the image holds the pixels alive
// for as long as it (or any shallow copy of it) exists. Painting reads it as it is; writing to it
// detaches a private copy, so the bitmap stays immutable. A profile other than sRGB becomes the
// image's colour space.
QImage qImage(const Bitmap& bitmap);

} // namespace orvane
