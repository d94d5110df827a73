#include "platform/files/PrivateFolder.h"

#include "platform/files/FileError.h"

#include <cerrno>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane::PrivateFolder {

namespace fs = std::filesystem;

namespace {

bool isPrivate(const fs::path& folder) {
    struct stat status {};
    if (::lstat(folder.c_str(), &status) != 0) {
        return false;
    }
    return S_ISDIR(status.st_mode) && status.st_uid == ::getuid() && (status.st_mode & 077) == 0;
}

} // namespace

fs::path make(const fs::path& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        throw FileError::writeFailed(folder, errno);
    }
    if (!isPrivate(folder)) {
        throw FileError(FileError::Code::fileWriteUnknown);
    }
    return folder;
}

fs::path inTemporaryFolder(std::string_view prefix) {
    std::error_code error;
    const fs::path system = fs::temp_directory_path(error);
    if (error) {
        throw FileError(FileError::Code::fileWriteUnknown);
    }
    return make(system / (std::string(prefix) + "-" + std::to_string(::getuid())));
}

} // namespace orvane::PrivateFolder
