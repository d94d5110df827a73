#pragma once

// Finding the main subject of a photo with a segmentation network, run by ONNX Runtime.

#include "platform/Error.h"
#include "platform/filters/Mask.h"
#include "platform/image/Bitmap.h"

#include <optional>

namespace orvane::SubjectDetection {

// The subject network cannot be used here; the description says why ("the subject model isn't
// installed").
class Unavailable : public Error {
public:
    using Error::Error;
};

struct Result {
    Mask mask;         // at the photo's exact pixel size, white where the subject is
    int instanceCount; // connected foreground regions, every one of them kept in the mask
};

// The mask of everything in the foreground, or none when nothing is clearly foreground. Throws
// Unavailable when the network is missing or cannot run.
std::optional<Result> foregroundInstances(const Bitmap& image);

} // namespace orvane::SubjectDetection
