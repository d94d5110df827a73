#include "platform/FileError.h"

namespace orvane {

FileError::FileError(Code code)
    : Error(descriptionFor(code))
    , code_(code) {}

std::string FileError::descriptionFor(Code code) {
    switch (code) {
    case Code::fileReadCorruptFile:
        return "The file couldn't be opened because it isn't in the correct format.";
    case Code::fileReadTooLarge:
        return "This image is too large to open on this device.";
    case Code::fileWriteUnknown:
        return "The file couldn't be saved.";
    }
    return {};
}

} // namespace orvane
