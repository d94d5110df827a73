#include "platform/files/AtomicFile.h"

#include "platform/files/FileChunks.h"
#include "platform/files/FileError.h"
#include "platform/files/FileNameLength.h"
#include "platform/files/SignalCleanup.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
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

std::atomic<bool> unnamedFilesAllowed{true};
std::atomic<bool> renameWithoutReplacingAllowed{true};
std::atomic<bool> hardLinksAllowed{true};

// The calls a file system may lack, answering as exFAT through FUSE does when a test has turned one
// off, so that the roads around them run on any machine.
int openUnnamed(const std::filesystem::path& folder) {
    if (!unnamedFilesAllowed) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
}

int renameWithoutReplacing(const char* from, const char* to) {
    if (!renameWithoutReplacingAllowed) {
        errno = EINVAL;
        return -1;
    }
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
}

int hardLink(const char* from, const char* to) {
    if (!hardLinksAllowed) {
        errno = EPERM;
        return -1;
    }
    return ::link(from, to);
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

// A free hidden name beside `target`: ".owl.png.Ab3dE9", or ".orvane.Ab3dE9" where the target's
// own name leaves no room.
std::filesystem::path hiddenName(const std::filesystem::path& target) {
    const std::string name = target.filename().string();
    const std::string suffix = randomSuffix();
    return folderOf(target) / (name.size() + 8 <= NAME_MAX ? "." + name + "." + suffix : ".orvane." + suffix);
}

// Whether an open descriptor can be given a name through /proc, as linkat needs for an unnamed file.
bool canNameDescriptors() {
    static const bool available = ::access("/proc/self/fd", X_OK) == 0;
    return available;
}

// The errors by which a file system says it has no such rename, rather than that it failed.
bool lacksRenameWithoutReplacing(int error) {
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

// The errors by which a file system says it has no hard links (exFAT, FAT, some network shares).
bool lacksHardLinks(int error) {
    return error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EMLINK;
}

// The reason to report when a file could not be made in `folder`. Some file systems refuse a name
// they can't hold (on exFAT one with a "?" or ":") as if the folder were missing, or as an invalid
// argument; the name is what is wrong then.
int creationError(const std::filesystem::path& folder, int error) {
    struct stat status {};
    if (error == EINVAL ||
        (error == ENOENT && ::stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode))) {
        return EILSEQ;
    }
    return error;
}

// Makes the folder's new entry durable too. Not every file system can sync a folder, and the file's
// own bytes are already safe, so a failure here is no failure of the write.
void syncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
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
        if (canNameDescriptors()) {
            fd_ = openUnnamed(folder);
            if (fd_ >= 0) {
                return;
            }
            // Not every filesystem has unnamed files; a real fault shows again below.
        }
        int error = EEXIST;
        for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
            path_ = hiddenName(target);
            cleanup_.emplace(path_, [&] {
                fd_ = ::open(path_.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
                error = errno;
                return fd_ >= 0;
            });
            if (fd_ >= 0) {
                return;
            }
            cleanup_.reset();
        }
        path_.clear();
        throw FileError::writeFailed(target_, creationError(folder, error));
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
        // A file system that cannot sync says so with EINVAL or EROFS; the bytes are written
        // all the same. Every other error is a write that did not reach the disk (on a network
        // share a full disk often shows only here).
        if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) {
            throw FileError::writeFailed(target_, errno);
        }
        if (!isUnnamed()) {
            const bool closed = ::close(fd_) == 0;
            const int closeError = errno;
            fd_ = -1;
            if (!closed && closeError != EINTR) {
                throw FileError::writeFailed(target_, closeError);
            }
        }
    }

    // Gives the file its final name; returns false when `noReplace` is set and the name is taken.
    bool commit(const std::filesystem::path& name, bool noReplace) {
        const bool committed = isUnnamed() ? (noReplace ? linkTo(name) : linkOver(name))
                                           : (noReplace ? moveToNew(name) : moveOver(name));
        if (committed) {
            syncFolder(folderOf(name));
        }
        return committed;
    }

private:
    bool isUnnamed() const { return path_.empty() && fd_ >= 0; }

    // The hidden file is now `name`, or gone: nothing is left to remove.
    void named() {
        path_.clear();
        cleanup_.reset();
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
            const std::filesystem::path hidden = hiddenName(name);
            bool taken = false;
            const SignalCleanup::Registration cleanup(hidden, [&] {
                taken = !linkTo(hidden);
                return !taken;
            });
            if (taken) {
                continue;
            }
            if (::rename(hidden.c_str(), name.c_str()) != 0) {
                const int error = errno;
                ::unlink(hidden.c_str());
                throw FileError::writeFailed(name, error);
            }
            return true;
        }
    }

    bool moveOver(const std::filesystem::path& name) {
        if (::rename(path_.c_str(), name.c_str()) != 0) {
            throw FileError::writeFailed(name, errno);
        }
        named();
        return true;
    }

    // Gives the hidden file the name `name` unless it is taken (false), by the best road this file
    // system has: a rename that never replaces; else a hard link, after which the hidden name goes;
    // else the name is reserved as an empty file and the hidden file renamed over it. A road found
    // missing is not tried again for the next name.
    bool moveToNew(const std::filesystem::path& name) {
        if (renameWithoutReplacing_) {
            if (renameWithoutReplacing(path_.c_str(), name.c_str()) == 0) {
                named();
                return true;
            }
            if (errno == EEXIST) {
                return false;
            }
            if (!lacksRenameWithoutReplacing(errno)) {
                throw FileError::writeFailed(name, errno);
            }
            renameWithoutReplacing_ = false;
        }
        if (hardLinks_) {
            if (hardLink(path_.c_str(), name.c_str()) == 0) {
                ::unlink(path_.c_str());
                named();
                return true;
            }
            const int error = errno;
            if (error == EEXIST) {
                // Over NFS a link whose answer was lost is retried and then meets itself; the
                // hidden file's second name tells.
                struct stat status {};
                if (::stat(path_.c_str(), &status) == 0 && status.st_nlink > 1) {
                    ::unlink(path_.c_str());
                    named();
                    return true;
                }
                return false;
            }
            if (!lacksHardLinks(error)) {
                throw FileError::writeFailed(name, creationError(folderOf(name), error));
            }
            hardLinks_ = false;
        }
        return replaceReservation(name);
    }

    // The name is taken for good by making it, empty; the hidden file then replaces that. Should the
    // rename fail, or a stopping signal come first, the reservation goes again.
    bool replaceReservation(const std::filesystem::path& name) {
        int error = 0;
        bool reserved = false;
        SignalCleanup::Registration reservation(name, [&] {
            const int fd = ::open(name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
            if (fd < 0) {
                error = errno;
                return false;
            }
            ::close(fd);
            reserved = true;
            return true;
        });
        if (!reserved) {
            if (error == EEXIST) {
                return false;
            }
            throw FileError::writeFailed(name, creationError(folderOf(name), error));
        }
        reservation.settle([&] {
            if (::rename(path_.c_str(), name.c_str()) == 0) {
                error = 0;
            } else {
                error = errno;
                ::unlink(name.c_str());
            }
            return true;
        });
        if (error != 0) {
            throw FileError::writeFailed(name, error);
        }
        named();
        return true;
    }

    std::filesystem::path target_;
    int fd_ = -1;
    std::string path_; // of a named temporary file, until it is renamed
    std::optional<SignalCleanup::Registration> cleanup_;
    // Until found missing.
    bool renameWithoutReplacing_ = true;
    bool hardLinks_ = true;
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
    if (!FileChunks::read(input, [&](std::span<const std::uint8_t> bytes) { file.append(bytes); })) {
        throw FileError(FileError::Code::fileWriteUnknown);
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

void setOperations(Operations allowed) {
    unnamedFilesAllowed = allowed.unnamedFiles;
    renameWithoutReplacingAllowed = allowed.renameWithoutReplacing;
    hardLinksAllowed = allowed.hardLinks;
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
