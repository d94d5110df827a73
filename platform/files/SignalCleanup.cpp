#include "platform/files/SignalCleanup.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <pthread.h>
#include <system_error>
#include <unistd.h>

namespace orvane::SignalCleanup {

namespace {

// The signal handler may read the list at any moment, on any thread, so the list is fixed storage
// that is never freed: a slot's fields are only read while its state says it is complete. The
// states and `stopping` are sequentially consistent: a thread that frees a slot must see that a
// handler which may still read it has begun.
constexpr int unused = 0;
constexpr int changing = 1;
constexpr int registered = 2;
constexpr int settling = 3; // its owner is deciding whether the file stays the process's own

struct Slot {
    std::atomic<int> state{unused};
    int folder = -1; // the registration's own descriptor
    dev_t device = 0;
    ino_t inode = 0;
    char name[NAME_MAX + 1];
};

// Far more than the files a process can hold open at once while it writes them.
constexpr int slotCount = 1024;
std::array<Slot, slotCount> slots;

constexpr std::array<int, 3> stoppingSignals = {SIGINT, SIGTERM, SIGHUP};

// Set once a stopping signal is being handled: the process is ending.
std::atomic<bool> stopping{false};

void pause() {
    const timespec pause{0, 1'000'000};
    ::nanosleep(&pause, nullptr);
}

// The process is ending by a signal that a handler on another thread is dealing with; this thread
// must change nothing that the handler may still read.
void waitIfStopping() {
    while (stopping.load()) {
        pause();
    }
}

extern "C" void removeRegisteredFiles(int signal) {
    stopping.store(true);
    for (Slot& slot : slots) {
        // A file being settled belongs to another thread, which has these signals blocked and is
        // about to finish: whether the file is still to be removed is known only then.
        int state = unused;
        while ((state = slot.state.load()) == settling) {
            pause();
        }
        struct stat status {};
        if (state == registered && ::fstatat(slot.folder, slot.name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
            status.st_dev == slot.device && status.st_ino == slot.inode) {
            ::unlinkat(slot.folder, slot.name, 0);
        }
    }
    // Ends the process by the same signal once this handler returns (it is blocked until then).
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    ::sigemptyset(&standard.sa_mask);
    ::sigaction(signal, &standard, nullptr);
    ::raise(signal);
}

sigset_t stoppingSet() {
    sigset_t set;
    ::sigemptyset(&set);
    for (const int signal : stoppingSignals) {
        ::sigaddset(&set, signal);
    }
    return set;
}

void installHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction handler {};
        handler.sa_handler = removeRegisteredFiles;
        handler.sa_mask = stoppingSet();
        for (const int signal : stoppingSignals) {
            struct sigaction current {};
            if (::sigaction(signal, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) == 0 &&
                current.sa_handler == SIG_DFL) {
                ::sigaction(signal, &handler, nullptr);
            }
        }
    });
}

// Takes a free slot for `name` in `folder`, in the settling state; -1 when none is free.
int take(int folder, const std::string& name) {
    for (int i = 0; i < slotCount; ++i) {
        int expected = unused;
        if (slots[i].state.compare_exchange_strong(expected, changing)) {
            // A handler that began before this slot was taken may be reading what it held.
            waitIfStopping();
            slots[i].folder = folder;
            std::memcpy(slots[i].name, name.c_str(), name.size() + 1);
            slots[i].state.store(settling);
            return i;
        }
    }
    return -1;
}

} // namespace

Registration::Registration(int folder, const std::string& name,
                           const std::function<std::optional<FileIdentity>()>& create) {
    if (name.empty() || name.size() > NAME_MAX) {
        throw std::system_error(ENAMETOOLONG, std::generic_category());
    }
    installHandlers();
    const int copy = ::fcntl(folder, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) {
        throw std::system_error(errno, std::generic_category());
    }
    // Blocked on this thread before the slot says settling: the handler, waiting for a settling
    // slot, must never run on the thread that is to end the settling.
    const sigset_t stoppingSignals = stoppingSet();
    blocked_ = ::pthread_sigmask(SIG_BLOCK, &stoppingSignals, &previousMask_) == 0;
    slot_ = take(copy, name);
    if (slot_ < 0) {
        ::close(copy);
        release(false);
        throw std::system_error(EMFILE, std::generic_category());
    }
    std::optional<FileIdentity> identity;
    try {
        identity = create();
    } catch (...) {
        release(false);
        throw;
    }
    if (identity) {
        slots[slot_].device = identity->device;
        slots[slot_].inode = identity->inode;
    }
    release(identity.has_value());
}

void Registration::hold() {
    const sigset_t stoppingSignals = stoppingSet();
    blocked_ = ::pthread_sigmask(SIG_BLOCK, &stoppingSignals, &previousMask_) == 0;
    slots[slot_].state.store(settling);
}

void Registration::release(bool keep) {
    if (slot_ >= 0) {
        if (keep) {
            slots[slot_].state.store(registered);
        } else {
            free();
        }
        // A handler on another thread waited for this outcome: it must find it as it was left, so
        // this thread goes no further (the handler ends the process).
        waitIfStopping();
    }
    if (blocked_) {
        ::pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
        blocked_ = false;
    }
}

void Registration::free() {
    const int folder = slots[slot_].folder;
    slots[slot_].state.store(unused);
    slot_ = -1;
    // A handler may have read the slot as registered just before: its folder stays open for it.
    waitIfStopping();
    ::close(folder);
}

bool Registration::settle(const std::function<bool()>& change) {
    if (slot_ < 0) {
        return change();
    }
    hold();
    bool settled = false;
    try {
        settled = change();
    } catch (...) {
        release(true);
        throw;
    }
    release(!settled);
    return settled;
}

Registration::~Registration() {
    if (slot_ >= 0) {
        free();
    }
}

} // namespace orvane::SignalCleanup
