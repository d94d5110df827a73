#pragma once

#include "platform/Error.h"

namespace orvane {

// The file failures of the image layer: a read that found no decodable image, a read refused
// because the image is larger than this device can hold, and a write that could not be completed.
class FileError : public Error {
public:
    enum class Code { fileReadCorruptFile, fileReadTooLarge, fileWriteUnknown };

    explicit FileError(Code code);
    Code code() const noexcept { return code_; }

    static std::string descriptionFor(Code code);

private:
    Code code_;
};

} // namespace orvane
