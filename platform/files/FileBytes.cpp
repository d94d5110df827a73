#include "platform/files/FileBytes.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace orvane::FileBytes {

namespace {

struct Descriptor {
    int fd;
    ~Descriptor() { ::close(fd); }
};

} // namespace

std::optional<Bytes> read(const std::filesystem::path& path) {
    // Checked before opening, so that a device is never opened at all, and again on what was
    // opened, which may have been swapped meanwhile: a named pipe would hold the reader until
    // something wrote to it, and a device may never end. The open itself never waits.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return std::nullopt;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    const Descriptor file{fd};
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0) {
        return std::nullopt;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    Bytes bytes(static_cast<std::size_t>(status.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        // A file that shrank meanwhile reads short and is refused.
        if (count <= 0) {
            return std::nullopt;
        }
        done += static_cast<std::size_t>(count);
    }
    return bytes;
}

} // namespace orvane::FileBytes
