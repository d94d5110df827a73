#include "platform/AtomicFile.h"

#include "platform/FileError.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace orvane::AtomicFile {

namespace {

// A temporary file that removes itself unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::filesystem::path& beside) {
        const std::filesystem::path folder = beside.has_parent_path() ? beside.parent_path() : ".";
        std::string pattern = (folder / ("." + beside.filename().string() + ".XXXXXX")).string();
        fd_ = ::mkstemp(pattern.data());
        if (fd_ < 0) {
            throw FileError(FileError::Code::fileWriteUnknown);
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
                throw FileError(FileError::Code::fileWriteUnknown);
            }
            done += static_cast<std::size_t>(n);
        }
    }

    void write(std::span<const std::uint8_t> bytes) {
        append(bytes);
        finish();
    }

    // Makes the written bytes durable and closes the file.
    void finish() {
        if (::fsync(fd_) != 0 || ::close(fd_) != 0) {
            fd_ = -1;
            throw FileError(FileError::Code::fileWriteUnknown);
        }
        fd_ = -1;
    }

    // Renames into place; returns false when `noReplace` is set and the name is taken.
    bool commit(const std::filesystem::path& target, bool noReplace) {
        const int result =
            noReplace ? ::renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE)
                      : ::rename(path_.c_str(), target.c_str());
        if (result == 0) {
            path_.clear();
            return true;
        }
        if (noReplace && errno == EEXIST) {
            return false;
        }
        throw FileError(FileError::Code::fileWriteUnknown);
    }

private:
    int fd_ = -1;
    std::string path_;
};

} // namespace

void write(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    TemporaryFile file(path);
    file.write(bytes);
    file.commit(path, false);
}

void copy(const std::filesystem::path& source, const std::filesystem::path& destination) {
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
    file.finish();
    file.commit(destination, false);
}

std::filesystem::path numbered(const std::filesystem::path& path, int n) {
    std::filesystem::path result = path;
    result.replace_filename(path.stem().string() + " " + std::to_string(n) + path.extension().string());
    return result;
}

std::filesystem::path writeNew(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    TemporaryFile file(path);
    file.write(bytes);
    for (int n = 1; n < 100000; ++n) {
        const std::filesystem::path candidate = n == 1 ? path : numbered(path, n);
        if (file.commit(candidate, true)) {
            return candidate;
        }
    }
    throw FileError(FileError::Code::fileWriteUnknown);
}

} // namespace orvane::AtomicFile
