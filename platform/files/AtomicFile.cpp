#include "platform/files/AtomicFile.h"

#include "platform/files/FileChunks.h"
#include "platform/files/FileError.h"
#include "platform/files/FileNameLength.h"
#include "platform/files/SignalCleanup.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/random.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace orvane::AtomicFile {

namespace {

using SignalCleanup::FileIdentity;

std::filesystem::path folderOf(const std::filesystem::path& path) {
    return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

std::mutex operationsMutex;
Operations allowedOperations; // guarded by operationsMutex

Operations currentOperations() {
    const std::lock_guard lock(operationsMutex);
    return allowedOperations;
}

// How often one call is made again when it keeps answering that it was interrupted.
constexpr int interruptionsTolerated = 100;

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

// A free hidden name beside the file `name`: ".owl.png.Ab3dE9", or ".orvane.Ab3dE9" where the
// name leaves no room.
std::string hiddenName(const std::string& name) {
    const std::string suffix = randomSuffix();
    return name.size() + 8 <= NAME_MAX ? "." + name + "." + suffix : ".orvane." + suffix;
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

// A descriptor opened with O_PATH, closed when it goes. It names a folder for the calls made in it,
// or holds a file in memory: a FUSE file system without inode numbers of its own (exFAT's) numbers a
// file anew once the kernel has forgotten it, so a file's identity holds only while it is held.
class PathHandle {
public:
    PathHandle() = default;
    PathHandle(int folder, const char* name, int flags) {
        do {
            fd_ = ::openat(folder, name, O_PATH | O_CLOEXEC | flags);
        } while (fd_ < 0 && errno == EINTR);
    }
    ~PathHandle() { reset(); }
    PathHandle(PathHandle&& other) noexcept
        : fd_(std::exchange(other.fd_, -1)) {}
    PathHandle& operator=(PathHandle&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    int get() const { return fd_; }
    void reset() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

private:
    int fd_ = -1;
};

// A temporary file that leaves nothing behind unless it is committed under its final name. Where
// the filesystem allows, it has no name at all until then (O_TMPFILE), so that not even SIGKILL or
// a power cut can leave a partial file; elsewhere it is a hidden file beside the target that every
// failure, and SIGINT, SIGTERM or SIGHUP, removes. Its failures name `target`, the file the user
// asked for, never the temporary name.
//
// Every name is made, changed and removed through the folder's descriptor, so that all of them are
// in the folder that was opened, whatever happens to its path meanwhile (a folder swapped for a
// link), and a name of its own is removed only while it still leads to the file it made.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::filesystem::path& target)
        : target_(target)
        , operations_(currentOperations())
        , folder_(AT_FDCWD, folderOf(target).c_str(), O_DIRECTORY) {
        if (folder_.get() < 0) {
            throw FileError::writeFailed(target_, errno);
        }
        if (canNameDescriptors()) {
            fd_ = openUnnamed();
            if (fd_ >= 0) {
                struct stat status {};
                if (::fstat(fd_, &status) != 0) {
                    const int error = errno;
                    ::close(fd_);
                    throw FileError::writeFailed(target_, error);
                }
                identity_ = FileIdentity::of(status);
                return;
            }
            // Not every filesystem has unnamed files; a real fault shows again below.
        }
        int error = EEXIST;
        for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
            hidden_ = hiddenName(target.filename().string());
            try {
                cleanup_.emplace(folder_.get(), hidden_, [&]() -> std::optional<FileIdentity> {
                    fd_ = call(Call::create, hidden_, [&] {
                        return ::openat(folder_.get(), hidden_.c_str(),
                                        O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
                    });
                    error = errno;
                    struct stat status {};
                    if (fd_ >= 0 && ::fstat(fd_, &status) != 0) {
                        error = errno;
                        ::close(fd_);
                        fd_ = -1;
                        ::unlinkat(folder_.get(), hidden_.c_str(), 0);
                    }
                    if (fd_ < 0) {
                        return std::nullopt;
                    }
                    identity_ = FileIdentity::of(status);
                    pin_ = PathHandle(folder_.get(), hidden_.c_str(), O_NOFOLLOW);
                    return identity_;
                });
            } catch (const std::system_error& failure) {
                hidden_.clear();
                throw FileError::writeFailed(target_, failure.code().value());
            }
            if (fd_ >= 0) {
                return;
            }
            cleanup_.reset();
        }
        hidden_.clear();
        throw FileError::writeFailed(target_, creationError(error));
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        if (!hidden_.empty()) {
            removeOwn(hidden_, identity_);
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
        int synced = 0;
        while ((synced = ::fsync(fd_)) != 0 && errno == EINTR) {
        }
        if (synced != 0 && errno != EINVAL && errno != EROFS) {
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

    // Gives the file its final name `name`, in the target's folder; returns false when `noReplace`
    // is set and the name is taken.
    bool commit(const std::filesystem::path& name, bool noReplace) {
        const std::string base = name.filename().string();
        const bool committed = isUnnamed() ? (noReplace ? linkTo(base, name) : linkOver(base, name))
                                           : (noReplace ? moveToNew(base, name) : moveOver(base, name));
        if (committed) {
            syncFolder();
        }
        return committed;
    }

private:
    bool isUnnamed() const { return hidden_.empty() && fd_ >= 0; }

    // The hidden file is now `name`, or gone: nothing is left to remove.
    void named() {
        hidden_.clear();
        cleanup_.reset();
    }

    // Makes one call that creates, names or removes a file, as a test may have it answer. FUSE and
    // network file systems can answer that a call was interrupted (by a signal, even one the process
    // ignores); it is then made again. Returns what the call returned, with errno.
    template <typename Run> int call(Call kind, const std::string& name, Run run) const {
        for (int interruptions = 0;; ++interruptions) {
            int result = -1;
            if (const int injected = operations_.interfere ? operations_.interfere(kind, name) : 0) {
                errno = injected;
            } else {
                result = run();
            }
            if (result >= 0 || errno != EINTR || interruptions == interruptionsTolerated) {
                return result;
            }
        }
    }

    // The calls a file system may lack, answering as exFAT through FUSE does when a test has turned
    // one off, so that the roads around them run on any machine.
    int openUnnamed() const {
        if (!operations_.unnamedFiles) {
            return lacking(EOPNOTSUPP);
        }
        return call(Call::create, {},
                    [&] { return ::openat(folder_.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666); });
    }

    int renameWithoutReplacing(const std::string& from, const std::string& to) const {
        if (!operations_.renameWithoutReplacing) {
            return lacking(EINVAL);
        }
        return call(Call::rename, to, [&] {
            return ::renameat2(folder_.get(), from.c_str(), folder_.get(), to.c_str(), RENAME_NOREPLACE);
        });
    }

    int hardLink(const std::string& from, const std::string& to) const {
        if (!operations_.hardLinks) {
            return lacking(EPERM);
        }
        return call(Call::link, to,
                    [&] { return ::linkat(folder_.get(), from.c_str(), folder_.get(), to.c_str(), 0); });
    }

    static int lacking(int error) {
        errno = error;
        return -1;
    }

    int rename(const std::string& from, const std::string& to) const {
        return ::renameat(folder_.get(), from.c_str(), folder_.get(), to.c_str());
    }

    // The file `name` in the folder, as it is now: 0, or the error that hid it.
    int status(const std::string& name, struct stat& status) const {
        int result = 0;
        while ((result = ::fstatat(folder_.get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW)) != 0 &&
               errno == EINTR) {
        }
        return result == 0 ? 0 : errno;
    }

    // Whether `name` leads to the file `identity`: a call answered as failed may have been carried
    // out all the same (an interrupted one made again, a reply lost over NFS), and then meets its
    // own result.
    bool leadsTo(const std::string& name, FileIdentity identity) const {
        struct stat found {};
        return status(name, found) == 0 && FileIdentity::of(found) == identity;
    }

    // Removes `name` while it is still the file `identity`, trying again for a while, as a network
    // share or a FUSE file system can refuse for a moment. Returns the error that stayed; 0 once the
    // name is gone or leads to another file, which is not the process's own to remove.
    int removeOwn(const std::string& name, FileIdentity identity) const {
        int error = 0;
        for (int attempt = 0; attempt < 5; ++attempt) {
            if (attempt > 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10 << attempt));
            }
            struct stat found {};
            if (const int missing = status(name, found); missing != 0) {
                if (missing == ENOENT) {
                    return 0;
                }
                error = missing;
                continue;
            }
            if (FileIdentity::of(found) != identity) {
                return 0;
            }
            if (call(Call::remove, name, [&] { return ::unlinkat(folder_.get(), name.c_str(), 0); }) == 0 ||
                errno == ENOENT) {
                return 0;
            }
            error = errno;
        }
        return error;
    }

    // The reason to report when a file could not be made in the folder. Some file systems refuse a
    // name they can't hold (on exFAT one with a "?" or ":") as if the folder were missing, or as an
    // invalid argument; the name is what is wrong then. A folder removed meanwhile has no links left.
    int creationError(int error) const {
        struct stat folder {};
        if (error == EINVAL || (error == ENOENT && ::fstat(folder_.get(), &folder) == 0 &&
                                S_ISDIR(folder.st_mode) && folder.st_nlink > 0)) {
            return EILSEQ;
        }
        return error;
    }

    // Makes the folder's new entry durable too. Not every file system can sync a folder, and the
    // file's own bytes are already safe, so a failure here is no failure of the write.
    void syncFolder() const {
        const int fd = ::openat(folder_.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            while (::fsync(fd) != 0 && errno == EINTR) {
            }
            ::close(fd);
        }
    }

    // Keeps `name` on the list that a stopping signal removes, once `create` has made it.
    SignalCleanup::Registration registered(const std::string& name, const std::filesystem::path& target,
                                           const std::function<std::optional<FileIdentity>()>& create) const {
        try {
            return SignalCleanup::Registration(folder_.get(), name, create);
        } catch (const std::system_error& failure) {
            throw FileError::writeFailed(target, failure.code().value());
        }
    }

    // Links the unnamed file as `name`; never replaces what is there (false).
    bool linkTo(const std::string& name, const std::filesystem::path& target) {
        const std::string descriptor = "/proc/self/fd/" + std::to_string(fd_);
        if (call(Call::link, name, [&] {
                return ::linkat(AT_FDCWD, descriptor.c_str(), folder_.get(), name.c_str(), AT_SYMLINK_FOLLOW);
            }) != 0) {
            const int error = errno;
            if (error != EEXIST) {
                throw FileError::writeFailed(target, error);
            }
            if (!leadsTo(name, identity_)) {
                return false;
            }
        }
        pin_ = PathHandle(AT_FDCWD, descriptor.c_str(), 0);
        ::close(fd_);
        fd_ = -1;
        return true;
    }

    // Replaces `name` at once: the file is linked under a free hidden name beside it and renamed over
    // it, so that readers see the old file or the whole new one.
    bool linkOver(const std::string& name, const std::filesystem::path& target) {
        for (;;) {
            const std::string hidden = hiddenName(name);
            bool taken = false;
            const SignalCleanup::Registration cleanup =
                registered(hidden, target, [&]() -> std::optional<FileIdentity> {
                    taken = !linkTo(hidden, target);
                    return taken ? std::nullopt : std::optional(identity_);
                });
            if (taken) {
                continue;
            }
            if (call(Call::rename, name, [&] { return rename(hidden, name); }) != 0) {
                const int error = errno;
                if (error != ENOENT || !leadsTo(name, identity_)) {
                    removeOwn(hidden, identity_);
                    throw FileError::writeFailed(target, error);
                }
            }
            return true;
        }
    }

    bool moveOver(const std::string& name, const std::filesystem::path& target) {
        if (call(Call::rename, name, [&] { return rename(hidden_, name); }) != 0) {
            const int error = errno;
            if (error != ENOENT || !leadsTo(name, identity_)) {
                throw FileError::writeFailed(target, error);
            }
        }
        named();
        return true;
    }

    // Gives the hidden file the name `name` unless it is taken (false), by the best road this file
    // system has: a rename that never replaces; else a hard link, after which the hidden name goes;
    // else the name is reserved as an empty file and the hidden file renamed over it. A road found
    // missing is not tried again for the next name.
    bool moveToNew(const std::string& name, const std::filesystem::path& target) {
        if (renameWithoutReplacing_) {
            const int result = renameWithoutReplacing(hidden_, name);
            const int error = errno;
            if (result == 0 || ((error == EEXIST || error == ENOENT) && leadsTo(name, identity_))) {
                named();
                return true;
            }
            if (error == EEXIST) {
                return false;
            }
            if (!lacksRenameWithoutReplacing(error)) {
                throw FileError::writeFailed(target, error);
            }
            renameWithoutReplacing_ = false;
        }
        if (hardLinks_) {
            const int result = hardLink(hidden_, name);
            const int error = errno;
            if (result == 0 || (error == EEXIST && leadsTo(name, identity_))) {
                // The file is in place under both names; the hidden one must go now, as nothing
                // would remove it later.
                const std::string hidden = hidden_;
                const int left = removeOwn(hidden, identity_);
                named();
                if (left != 0) {
                    throw FileError::savedLeavingCopy(target, folderOf(target) / hidden, left);
                }
                return true;
            }
            if (error == EEXIST) {
                return false;
            }
            if (!lacksHardLinks(error)) {
                throw FileError::writeFailed(target, creationError(error));
            }
            hardLinks_ = false;
        }
        return replaceReservation(name, target);
    }

    // The name is taken for good by making it, empty; the hidden file then replaces that, unless
    // another program has put its own file there meanwhile, which is then left alone and the name
    // counts as taken. Should the rename fail, or a stopping signal come first, the reservation
    // goes again; but only while the name still holds it, as by then it may hold someone else's file.
    bool replaceReservation(const std::string& name, const std::filesystem::path& target) {
        int error = 0;
        FileIdentity reservation;
        PathHandle held;
        SignalCleanup::Registration registration =
            registered(name, target, [&]() -> std::optional<FileIdentity> {
                const int fd = call(Call::create, name, [&] {
                    return ::openat(folder_.get(), name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC,
                                    0600);
                });
                if (fd < 0) {
                    error = errno;
                    return std::nullopt;
                }
                // Held without being open for writing: a network share may refuse to rename a file
                // over one that is open.
                held = PathHandle(folder_.get(), name.c_str(), O_NOFOLLOW);
                struct stat status {};
                const bool known = ::fstat(fd, &status) == 0;
                error = errno;
                ::close(fd);
                if (!known) {
                    ::unlinkat(folder_.get(), name.c_str(), 0);
                    return std::nullopt;
                }
                reservation = FileIdentity::of(status);
                return reservation;
            });
        if (!registration.isRegistered()) {
            if (error == EEXIST) {
                return false;
            }
            throw FileError::writeFailed(target, creationError(error));
        }
        bool taken = false;
        registration.settle([&] {
            const int result = call(Call::rename, name, [&] {
                struct stat found {};
                if (status(name, found) == 0) {
                    // Done already by an attempt that was answered as interrupted.
                    if (FileIdentity::of(found) == identity_) {
                        return 0;
                    }
                    // Someone else's file now: the name is theirs.
                    if (FileIdentity::of(found) != reservation) {
                        errno = EEXIST;
                        return -1;
                    }
                }
                return rename(hidden_, name);
            });
            error = result == 0 ? 0 : errno;
            if (error == EEXIST) {
                taken = true;
            } else if (error != 0) {
                removeOwn(name, reservation);
            }
            return true;
        });
        if (taken) {
            return false;
        }
        if (error != 0) {
            throw FileError::writeFailed(target, error);
        }
        named();
        return true;
    }

    std::filesystem::path target_;
    const Operations operations_;
    PathHandle folder_;
    PathHandle pin_; // holds the temporary file, so that `identity_` stays its identity
    int fd_ = -1;
    FileIdentity identity_;
    std::string hidden_; // the name of a hidden temporary file in the folder, until it is renamed
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
    int input = -1;
    do {
        input = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    } while (input < 0 && errno == EINTR);
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
    const std::lock_guard lock(operationsMutex);
    allowedOperations = std::move(allowed);
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
