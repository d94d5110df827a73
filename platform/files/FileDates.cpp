#include "platform/files/FileDates.h"

#include <sys/stat.h>

namespace orvane::FileDates {

std::optional<std::chrono::system_clock::time_point> modified(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::seconds(status.st_mtim.tv_sec) + std::chrono::nanoseconds(status.st_mtim.tv_nsec)));
}

} // namespace orvane::FileDates
