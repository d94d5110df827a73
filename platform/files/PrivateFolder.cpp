#include "platform/files/PrivateFolder.h"

#include "platform/files/FileError.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace orvane::PrivateFolder {

namespace fs = std::filesystem;

namespace {

bool isPrivate(const struct stat& status) {
    return S_ISDIR(status.st_mode) && status.st_uid == ::getuid() && (status.st_mode & 077) == 0;
}

// A private folder this process uses, open and share-locked for as long as the process runs, so
// that another Orvane never removes it under this one.
struct Held {
    fs::path path;
    int fd;
    dev_t device;
    ino_t inode;
    bool madeHere;
};

std::mutex& heldMutex() {
    static auto* mutex = new std::mutex;
    return *mutex;
}

// Never freed: the exit handler reads it after static objects may be gone.
std::vector<Held>& heldFolders() {
    static auto* folders = new std::vector<Held>;
    return *folders;
}

// At exit, the folders this process made go again when they are empty and no other process holds
// them, the last made first, so that a folder inside another leaves the outer one empty.
void removeEmptyFoldersMadeHere() {
    const std::lock_guard lock(heldMutex());
    auto& folders = heldFolders();
    for (auto held = folders.rbegin(); held != folders.rend(); ++held) {
        if (held->madeHere && ::flock(held->fd, LOCK_EX | LOCK_NB) == 0) {
            ::rmdir(held->path.c_str()); // fails, and keeps it, when anything is inside
        }
        ::close(held->fd);
    }
    folders.clear();
}

enum class Outcome { held, gone, refused };

// Opens and share-locks the folder at `folder`, which must still be the one that is there once the
// lock is had: another process may have removed it meanwhile (gone: make it again).
Outcome hold(const fs::path& folder, bool madeHere) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT ? Outcome::gone : Outcome::refused;
    }
    struct stat opened {};
    struct stat named {};
    // Without locks (some network file systems) another process's use can't be known, so a folder
    // is then never removed.
    const bool locked = ::flock(fd, LOCK_SH) == 0;
    if (::fstat(fd, &opened) != 0 || !isPrivate(opened)) {
        ::close(fd);
        return Outcome::refused;
    }
    if (::lstat(folder.c_str(), &named) != 0 || named.st_dev != opened.st_dev ||
        named.st_ino != opened.st_ino) {
        ::close(fd);
        return Outcome::gone;
    }
    const std::lock_guard lock(heldMutex());
    auto& folders = heldFolders();
    static const bool registered = std::atexit(removeEmptyFoldersMadeHere) == 0;
    (void)registered;
    for (Held& held : folders) {
        if (held.device == opened.st_dev && held.inode == opened.st_ino) {
            ::close(fd);
            return Outcome::held;
        }
    }
    folders.push_back({folder, fd, opened.st_dev, opened.st_ino, madeHere && locked});
    return Outcome::held;
}

} // namespace

fs::path make(const fs::path& folder) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        const bool madeHere = ::mkdir(folder.c_str(), 0700) == 0;
        if (!madeHere && errno != EEXIST) {
            throw FileError::writeFailed(folder, errno);
        }
        switch (hold(folder, madeHere)) {
        case Outcome::held:
            return folder;
        case Outcome::gone:
            continue; // another Orvane, ending, removed it just now
        case Outcome::refused:
            throw FileError(FileError::Code::fileWriteUnknown);
        }
    }
    throw FileError(FileError::Code::fileWriteUnknown);
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
