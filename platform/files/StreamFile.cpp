#include "platform/files/StreamFile.h"

#include "platform/files/FileError.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane::StreamFile {

namespace {

bool namesDescriptor(const std::filesystem::path& path) {
    const std::string name = path.lexically_normal().string();
    return name == "/dev/stdout" || name == "/dev/stderr" || name.starts_with("/dev/fd/") ||
           name.starts_with("/proc/self/fd/");
}

} // namespace

bool isStream(const std::filesystem::path& path) {
    if (namesDescriptor(path)) {
        return true;
    }
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && (S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode));
}

void checkWritable(const std::filesystem::path& path) {
    if (::access(path.c_str(), W_OK) != 0) {
        throw FileError::writeFailed(path, errno);
    }
}

void write(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        throw FileError::writeFailed(path, errno);
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            const int error = n < 0 ? errno : EIO;
            ::close(fd);
            throw FileError::writeFailed(path, error);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0 && errno != EINTR) {
        throw FileError::writeFailed(path, errno);
    }
}

} // namespace orvane::StreamFile
