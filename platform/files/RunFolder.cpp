#include "platform/files/RunFolder.h"

#include "platform/files/FileError.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace orvane {

namespace fs = std::filesystem;

namespace {

// A folder opened without following a link; -1 with errno set for anything else.
int openFolder(const fs::path& path) {
    return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
}

// Whether `path` still names the folder open at `fd`: a run that removed a folder as a leftover
// did so while it held the lock, so a lock taken afterwards is on a folder that is gone.
bool stillNamed(int fd, const fs::path& path) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

struct Descriptor {
    int fd;
    ~Descriptor() { ::close(fd); }
};

} // namespace

void RunFolder::removeEnded(const fs::path& shared) {
    std::error_code error;
    std::vector<fs::path> entries;
    for (fs::directory_iterator it(shared, error), end; !error && it != end; it.increment(error)) {
        entries.push_back(it->path());
    }
    for (const auto& entry : entries) {
        std::error_code ignored;
        const int fd = openFolder(entry);
        if (fd < 0) {
            if (errno == ENOTDIR || errno == ELOOP) {
                fs::remove(entry, ignored);
            }
            continue;
        }
        const Descriptor folder{fd};
        // A file system without locks can't tell a live run's folder from a leftover: it keeps both.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && stillNamed(fd, entry)) {
            fs::remove_all(entry, ignored);
        }
    }
}

RunFolder::RunFolder(const fs::path& shared) {
    removeEnded(shared);
    // Another run starting at the same moment may take the new folder for a leftover before it is
    // locked; it is gone then, and another one is made.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string pattern = (shared / "run-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw FileError::writeFailed(shared, errno);
        }
        const int fd = openFolder(pattern);
        if (fd < 0) {
            continue;
        }
        const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        const bool unlockable = !locked && errno != EWOULDBLOCK;
        if ((locked || unlockable) && stillNamed(fd, pattern)) {
            path_ = pattern;
            lock_ = fd;
            return;
        }
        ::close(fd);
    }
    throw FileError::writeFailed(shared, EAGAIN);
}

RunFolder::~RunFolder() {
    ::rmdir(path_.c_str());
    ::close(lock_);
}

} // namespace orvane
