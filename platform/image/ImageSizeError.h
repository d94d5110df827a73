#pragma once

#include "platform/Error.h"

#include <string>

namespace orvane {

// An image wider or taller than a file of its type may be, here: the encoder would refuse it, or
// write a file that this system's own decoders cannot read back. Raised before anything is
// encoded; callers that know the format's display name describe it in their own words.
class ImageSizeError : public Error {
public:
    ImageSizeError(std::string typeIdentifier, int largestSide)
        : Error("This image is too large for this file type.")
        , typeIdentifier_(std::move(typeIdentifier))
        , largestSide_(largestSide) {}

    const std::string& typeIdentifier() const noexcept { return typeIdentifier_; }
    // The largest width and height such a file may have.
    int largestSide() const noexcept { return largestSide_; }

private:
    std::string typeIdentifier_;
    int largestSide_;
};

} // namespace orvane
