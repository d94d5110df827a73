#include "platform/files/FileError.h"

#include <cctype>
#include <cerrno>
#include <cstring>

namespace orvane {

std::string FileError::writeFailureReason(int errorNumber) {
    switch (errorNumber) {
    case EACCES:
    case EPERM:
        return "you don't have permission to write there";
    case ENOENT:
        return "the folder doesn't exist";
    case ENOTDIR:
        return "part of the path isn't a folder";
    case EISDIR:
        return "that is a folder";
    case ENOSPC:
    case EDQUOT:
        return "there isn't enough space on the disk";
    case EROFS:
        return "the disk is read-only";
    case ENAMETOOLONG:
        return "the name is too long";
    case EIO:
        return "the disk couldn't be written";
    case EILSEQ:
        return "the disk doesn't allow that name";
    case ENOTCONN:
    case ENODEV:
        return "the disk isn't connected";
    default:
        break;
    }
    std::string reason = std::strerror(errorNumber);
    if (!reason.empty()) {
        reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
    }
    return reason;
}

FileError::FileError(Code code)
    : FileError(code, descriptionFor(code)) {}

FileError::FileError(Code code, std::string description, int systemError)
    : Error(std::move(description))
    , code_(code)
    , systemError_(systemError) {}

FileError FileError::writeFailed(const std::filesystem::path& path, int errorNumber) {
    return FileError(Code::fileWriteUnknown,
                     "The file couldn't be saved to “" + path.string() +
                         "”: " + writeFailureReason(errorNumber) + ".",
                     errorNumber);
}

FileError FileError::savedLeavingCopy(const std::filesystem::path& path, const std::filesystem::path& copy,
                                      int errorNumber) {
    return FileError(Code::fileWriteUnknown,
                     "The file was saved to “" + path.string() + "”, but its temporary copy “" +
                         copy.string() + "” couldn't be removed: " + writeFailureReason(errorNumber) + ".",
                     errorNumber);
}

FileError FileError::standardOutputFailed(int errorNumber) {
    const std::string sentence = "The result couldn't be written to standard output";
    return FileError(Code::fileWriteUnknown,
                     errorNumber == 0 ? sentence + "."
                                      : sentence + ": " + writeFailureReason(errorNumber) + ".",
                     errorNumber);
}

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
