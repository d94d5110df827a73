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
    // The system error (errno) behind a failed write, 0 when there was none or it is unknown.
    int systemError() const noexcept { return systemError_; }

    // A write to `path` that failed with the system error `errorNumber` (errno): fileWriteUnknown,
    // described with the path and the reason ("The file couldn't be saved to “…”: the disk is
    // full.").
    static FileError writeFailed(const std::filesystem::path& path, int errorNumber);

    // A file that was saved at `path`, but whose temporary copy `copy` beside it could not be
    // removed (`errorNumber`): fileWriteUnknown, naming both, so that the user knows what to delete
    // ("The file was saved to “…”, but its temporary copy “…” couldn't be removed: …").
    static FileError savedLeavingCopy(const std::filesystem::path& path, const std::filesystem::path& copy,
                                      int errorNumber);

    // A write to standard output that failed with `errorNumber` (0 when unknown): fileWriteUnknown,
    // described with the reason when known ("The result couldn't be written to standard output:
    // there isn't enough space on the disk.").
    static FileError standardOutputFailed(int errorNumber);

    static std::string descriptionFor(Code code);

    // Why a write failed with `errorNumber`, as the sentences above say it: "the disk is full".
    static std::string writeFailureReason(int errorNumber);

private:
    FileError(Code code, std::string description, int systemError = 0);
    Code code_;
    int systemError_;
};

} // namespace orvane
