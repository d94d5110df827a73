#pragma once

#include "platform/Error.h"

#include <filesystem>

namespace orvane {

// The file failures of the image layer: a read that found no decodable image, a read refused
// because the image is larger than this device can hold, and a write that could not be completed.
class FileError : public Error {
public:
    enum class Code { fileReadCorruptFile, fileReadTooLarge, fileWriteUnknown };

    explicit FileError(Code code);
    Code code() const noexcept { return code_; }

    // A write to `path` that failed with the system error `errorNumber` (errno): fileWriteUnknown,
    // described with the path and the reason ("The file couldn't be saved to “…”: the disk is
    // full.").
    static FileError writeFailed(const std::filesystem::path& path, int errorNumber);

    // A write to standard output that failed with `errorNumber` (0 when unknown): fileWriteUnknown,
    // described with the reason when known ("The result couldn't be written to standard output:
    // there isn't enough space on the disk.").
    static FileError standardOutputFailed(int errorNumber);

    static std::string descriptionFor(Code code);

private:
    FileError(Code code, std::string description);
    Code code_;
};

} // namespace orvane
