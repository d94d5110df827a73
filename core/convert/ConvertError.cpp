#include "core/convert/ConvertError.h"

namespace orvane {

ConvertError ConvertError::encodeFailed(const std::string& formatName) {
    ConvertError error(Case::encodeFailed, "Couldn't write " + formatName + ".");
    error.formatName_ = formatName;
    return error;
}

ConvertError ConvertError::cannotReachSize(std::int64_t kilobytes) {
    ConvertError error(Case::cannotReachSize, "Couldn't get the file under " + std::to_string(kilobytes) +
                                                  " KB, even at a small size.");
    error.kilobytes_ = kilobytes;
    return error;
}

ConvertError ConvertError::unreadable() {
    return ConvertError(Case::unreadable, "This file couldn't be read as an image.");
}

} // namespace orvane
