#pragma once

// Photo-like scenes with a known subject, drawn from geometry so that the true outline is exact:
// shaded solid objects, sharp, standing on a floor with a soft shadow, in front of a smooth
// out-of-focus backdrop with some texture and film grain.

#include "platform/filters/Mask.h"
#include "platform/image/Bitmap.h"

#include <cstdint>
#include <vector>

namespace orvane::test {

enum class SceneObject { person, vase, ball };

struct Placement {
    SceneObject object;
    double centre; // horizontal position of the object's axis, as a share of the width
    double height; // the object's height, as a share of the photo's height
};

struct Scene {
    Bitmap photo;
    Mask truth; // 255 where a pixel's centre is inside an object, 0 elsewhere
};

Scene scene(int width, int height, const std::vector<Placement>& objects, std::uint32_t seed = 1);

// The intersection over union of the pixels above 127 in both masks.
double intersectionOverUnion(const Mask& found, const Mask& truth);

} // namespace orvane::test
