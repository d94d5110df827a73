#pragma once

// A photo as the subject network's input: opaque sRGB at 1024 × 1024, planar float. Internal to
// subject detection.

#include "platform/image/Bitmap.h"
#include "platform/networks/detail/SubjectNetwork.h"

#include <vector>

namespace orvane::SubjectInput {

// Transparent parts are composited over white, so that they read as plain backdrop (as on a
// product shot) rather than as whatever colour their invisible pixels hold. Colour in another
// profile is converted to sRGB. The photo is stretched to the square (the network is trained on
// stretched photos, and the mask is stretched back).
std::vector<float> tensor(const Bitmap& photo, const SubjectNetwork::Normalisation& normalisation);

} // namespace orvane::SubjectInput
