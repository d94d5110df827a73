#include "platform/files/FileChunks.h"

#include <cerrno>
#include <unistd.h>
#include <vector>

namespace orvane::FileChunks {

bool read(int fd, const std::function<void(std::span<const std::uint8_t>)>& chunk) {
    std::vector<std::uint8_t> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            return true;
        }
        chunk(std::span(buffer.data(), static_cast<std::size_t>(n)));
    }
}

} // namespace orvane::FileChunks
