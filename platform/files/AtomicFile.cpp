#include "platform/files/AtomicFile.h"

#include "platform/files/FileError.h"
#include "platform/files/FileNameLength.h"
#include "platform/files/SignalCleanup.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace orvane::AtomicFile {

namespace {

std::filesystem::path folderOf(const std::filesystem::path& path) {
    return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

std::atomic<bool> unnamedAllowed{true};

// A hidden name beside `target` for its temporary file: "." + the name + `suffix`, as much of the
// name as leaves the whole within the file system's limit, so that a long name can still be written.
std::filesystem::path hiddenName(const std::filesystem::path& target, const std::string& suffix) {
    return folderOf(target) / ("." + FileNameLength::fittedName(target.filename().string(), suffix,
                                                                FileNameLength::maxBytes - 1));
}

// Six letters or digits, as mkstemp would pick them.
std::string randomSuffix() {
    static constexpr char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::array<unsigned char, 6> random{};
    if (::getrandom(random.data(), random.size(), 0) != static_cast<ssize_t>(random.size())) {
        throw FileError(FileError::Code::fileWriteUnknown);
    }
    std::string suffix;
    for (const unsigned char byte : random) {
        suffix += letters[byte % (sizeof letters - 1)];
    }
    return suffix;
}

// Whether an open descriptor can be given a name through /proc, as linkat needs for an unnamed file.
bool canNameDescriptors() {
    static const bool available = ::access("/proc/self/fd", X_OK) == 0;
    return available;
}

// A temporary file that leaves nothing behind unless it is committed under its final name. Where
// the filesystem allows, it has no name at all until then (O_TMPFILE), so that not even SIGKILL or
// a power cut can leave a partial file; elsewhere it is a hidden file beside the target that every
// failure, and SIGINT, SIGTERM or SIGHUP, removes. Its failures name `target`, the file the user
// asked for, never the temporary name.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::filesystem::path& target)
        : target_(target) {
        const std::filesystem::path folder = folderOf(target);
        if (unnamedAllowed && canNameDescriptors()) {
            fd_ = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
            if (fd_ >= 0) {
                return;
            }
            // Not every filesystem has unnamed files; a real fault shows again below.
        }
        std::string pattern = hiddenPattern(target);
        fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd_ < 0) {
            throw FileError::writeFailed(target_, errno);
        }
        path_ = pattern;
        cleanup_.emplace(path_);
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

    // Dates the file when asked and makes the written bytes durable. A named file is closed here; an
    // unnamed one stays open, as it is named through its descriptor.
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
        if (::fsync(fd_) != 0) {
            throw FileError::writeFailed(target_, errno);
        }
        if (!isUnnamed()) {
            const bool closed = ::close(fd_) == 0;
            const int closeError = errno;
            fd_ = -1;
            if (!closed) {
                throw FileError::writeFailed(target_, closeError);
            }
        }
    }

    // Gives the file its final name; returns false when `noReplace` is set and the name is taken.
    bool commit(const std::filesystem::path& name, bool noReplace) {
        if (isUnnamed()) {
            return noReplace ? linkTo(name) : linkOver(name);
        }
        const int result =
            noReplace ? ::renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE)
                      : ::rename(path_.c_str(), name.c_str());
        if (result == 0) {
            path_.clear();
            cleanup_.reset();
            return true;
        }
        if (noReplace && errno == EEXIST) {
            return false;
        }
        throw FileError::writeFailed(name, errno);
    }

private:
    bool isUnnamed() const { return path_.empty() && fd_ >= 0; }

    static std::string hiddenPattern(const std::filesystem::path& target) {
        return hiddenName(target, ".XXXXXX").string();
    }

    // Links the unnamed file as `name`; never replaces what is there (false).
    bool linkTo(const std::filesystem::path& name) {
        const std::string descriptor = "/proc/self/fd/" + std::to_string(fd_);
        if (::linkat(AT_FDCWD, descriptor.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            ::close(fd_);
            fd_ = -1;
            return true;
        }
        if (errno == EEXIST) {
            return false;
        }
        throw FileError::writeFailed(name, errno);
    }

    // Replaces `name` at once: the file is linked under a free hidden name beside it and renamed over
    // it, so that readers see the old file or the whole new one.
    bool linkOver(const std::filesystem::path& name) {
        for (;;) {
            const std::filesystem::path hidden = hiddenName(name, "." + randomSuffix());
            const SignalCleanup::Registration cleanup(hidden);
            if (!linkTo(hidden)) {
                continue; // taken: another name
            }
            if (::rename(hidden.c_str(), name.c_str()) != 0) {
                const int error = errno;
                ::unlink(hidden.c_str());
                throw FileError::writeFailed(name, error);
            }
            return true;
        }
    }

    std::filesystem::path target_;
    int fd_ = -1;
    std::string path_; // of a named temporary file, until it is renamed
    std::optional<SignalCleanup::Registration> cleanup_;
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
    result.replace_filename(FileNameLength::fittedName(path.stem().string(),
                                                       " " + std::to_string(n) + path.extension().string()));
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

void setUnnamedTemporaryFiles(bool allowed) {
    unnamedAllowed = allowed;
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
