// A stand-in for one of the program's libraries, put where it must never be loaded from. Loaded all
// the same, it leaves a mark: a file named by ORVANE_PLANTED_MARKER.
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

__attribute__((constructor)) static void leaveMark() {
    if (const char* marker = std::getenv("ORVANE_PLANTED_MARKER")) {
        const int fd = ::open(marker, O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (fd >= 0) {
            ::close(fd);
        }
    }
}
