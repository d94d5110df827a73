#include "platform/files/AtomicFile.h"

#include "platform/files/FileError.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace orvane::AtomicFile {

namespace {

std::filesystem::path folderOf(const std::filesystem::path& path) {
    return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

// A temporary file that removes itself unless it was renamed into place. Its failures name
// `target`, the file the user asked for, never the temporary name.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::filesystem::path& target)
        : target_(target) {
        std::string pattern = (folderOf(target) / ("." + target.filename().string() + ".XXXXXX")).string();
        fd_ = ::mkstemp(pattern.data());
        if (fd_ < 0) {
            throw FileError::writeFailed(target_, errno);
        }
        path_ = pattern;
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd_, 0666 & ~mask);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        if (!path_.empty()) {
            ::unlink(path_.c_str());
        }
    }

    void append(std::span<const std::uint8_t> bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                throw FileError::writeFailed(target_, n < 0 ? errno : EIO);
            }
            done += static_cast<std::size_t>(n);
        }
    }

    void write(std::span<const std::uint8_t> bytes,
               std::optional<std::chrono::system_clock::time_point> modificationDate) {
        append(bytes);
        finish(modificationDate);
    }

    // Dates the file when asked, makes the written bytes durable and closes it.
    void finish(std::optional<std::chrono::system_clock::time_point> modificationDate) {
        if (modificationDate) {
            const auto sinceEpoch = modificationDate->time_since_epoch();
            const auto seconds = std::chrono::floor<std::chrono::seconds>(sinceEpoch);
            const auto nanoseconds =
                std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch - seconds);
            const timespec times[2] = {{seconds.count(), nanoseconds.count()},
                                       {seconds.count(), nanoseconds.count()}};
            ::futimens(fd_, times);
        }
        const bool synced = ::fsync(fd_) == 0;
        const int syncError = errno;
        const bool closed = ::close(fd_) == 0;
        const int closeError = errno;
        fd_ = -1;
        if (!synced || !closed) {
            throw FileError::writeFailed(target_, !synced ? syncError : closeError);
        }
    }

    // Renames into place; returns false when `noReplace` is set and the name is taken.
    bool commit(const std::filesystem::path& name, bool noReplace) {
        const int result =
            noReplace ? ::renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE)
                      : ::rename(path_.c_str(), name.c_str());
        if (result == 0) {
            path_.clear();
            return true;
        }
        if (noReplace && errno == EEXIST) {
            return false;
        }
        throw FileError::writeFailed(name, errno);
    }

private:
    std::filesystem::path target_;
    int fd_ = -1;
    std::string path_;
};

} // namespace

void write(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
           std::optional<std::chrono::system_clock::time_point> modificationDate) {
    TemporaryFile file(path);
    file.write(bytes, modificationDate);
    file.commit(path, false);
}

std::filesystem::path numbered(const std::filesystem::path& path, int n) {
    std::filesystem::path result = path;
    result.replace_filename(path.stem().string() + " " + std::to_string(n) + path.extension().string());
    return result;
}

std::filesystem::path writeNew(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                               std::optional<std::chrono::system_clock::time_point> modificationDate) {
    TemporaryFile file(path);
    file.write(bytes, modificationDate);
    for (int n = 1; n < 100000; ++n) {
        const std::filesystem::path candidate = n == 1 ? path : numbered(path, n);
        if (file.commit(candidate, true)) {
            return candidate;
        }
    }
    throw FileError::writeFailed(path, EEXIST);
}

void copy(const std::filesystem::path& source, const std::filesystem::path& destination) {
    // A source that can't be read is no fault of the destination's, so it gets the plain sentence.
    const int input = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (input < 0) {
        throw FileError(FileError::Code::fileWriteUnknown);
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{input};
    TemporaryFile file(destination);
    std::vector<std::uint8_t> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::read(input, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw FileError(FileError::Code::fileWriteUnknown);
        }
        if (n == 0) {
            break;
        }
        file.append(std::span(buffer.data(), static_cast<std::size_t>(n)));
    }
    // The copy keeps the source's date: a prepared export carries the photo's capture date.
    struct stat status {};
    std::optional<std::chrono::system_clock::time_point> date;
    if (::fstat(input, &status) == 0) {
        date = std::chrono::system_clock::time_point(
            std::chrono::duration_cast<std::chrono::system_clock::duration>(
                std::chrono::seconds(status.st_mtim.tv_sec) +
                std::chrono::nanoseconds(status.st_mtim.tv_nsec)));
    }
    file.finish(date);
    file.commit(destination, false);
}

void checkWritable(const std::filesystem::path& path) {
    const std::filesystem::path folder = folderOf(path);
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0) {
        throw FileError::writeFailed(path, errno);
    }
    if (!S_ISDIR(status.st_mode)) {
        throw FileError::writeFailed(path, ENOTDIR);
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        throw FileError::writeFailed(path, errno);
    }
}

} // namespace orvane::AtomicFile
