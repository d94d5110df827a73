#include "platform/files/SignalCleanup.h"

#include <array>
#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <ctime>
#include <mutex>
#include <pthread.h>
#include <unistd.h>

namespace orvane::SignalCleanup {

namespace {

// The signal handler may read the list at any moment, on any thread, so the list is fixed storage
// that is never freed: a slot's path is only read while its state says it is complete.
constexpr int unused = 0;
constexpr int changing = 1;
constexpr int registered = 2;
constexpr int settling = 3; // its owner is deciding whether the file stays the process's own

struct Slot {
    std::atomic<int> state{unused};
    char path[PATH_MAX];
};

constexpr int slotCount = 64;
std::array<Slot, slotCount> slots;

constexpr std::array<int, 3> stoppingSignals = {SIGINT, SIGTERM, SIGHUP};

// Set once a stopping signal is being handled: the process is ending.
std::atomic<bool> stopping{false};

void pause() {
    const timespec pause{0, 1'000'000};
    ::nanosleep(&pause, nullptr);
}

extern "C" void removeRegisteredFiles(int signal) {
    stopping.store(true, std::memory_order_release);
    for (Slot& slot : slots) {
        // A file being settled belongs to another thread, which has these signals blocked and is
        // about to finish: whether the file is still to be removed is known only then.
        int state = unused;
        while ((state = slot.state.load(std::memory_order_acquire)) == settling) {
            pause();
        }
        if (state == registered) {
            ::unlink(slot.path);
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

// Takes a free slot and fills in `path`, leaving it in `state`; -1 when the path is too long or no
// slot is free.
int take(const std::filesystem::path& path, int state) {
    // Absolute, so that it names the same file whatever the current folder is by then.
    std::error_code error;
    const std::string name = std::filesystem::absolute(path, error).native();
    if (error || name.size() >= PATH_MAX) {
        return -1;
    }
    installHandlers();
    for (int i = 0; i < slotCount; ++i) {
        int expected = unused;
        if (slots[i].state.compare_exchange_strong(expected, changing, std::memory_order_acq_rel)) {
            std::memcpy(slots[i].path, name.c_str(), name.size() + 1);
            slots[i].state.store(state, std::memory_order_release);
            return i;
        }
    }
    return -1;
}

} // namespace

Registration::Registration(const std::filesystem::path& path)
    : slot_(take(path, registered)) {}

Registration::Registration(const std::filesystem::path& path, const std::function<bool()>& create) {
    hold(path);
    bool created = false;
    try {
        created = create();
    } catch (...) {
        release(false);
        throw;
    }
    release(created);
}

void Registration::hold(const std::filesystem::path& path) {
    // Blocked on this thread before the slot says settling: the handler, waiting for a settling
    // slot, must never run on the thread that is to end the settling.
    const sigset_t stopping = stoppingSet();
    blocked_ = ::pthread_sigmask(SIG_BLOCK, &stopping, &previousMask_) == 0;
    if (slot_ >= 0) {
        slots[slot_].state.store(settling, std::memory_order_release);
    } else {
        slot_ = take(path, settling);
    }
}

void Registration::release(bool keep) {
    if (slot_ >= 0) {
        slots[slot_].state.store(keep ? registered : unused, std::memory_order_release);
        if (!keep) {
            slot_ = -1;
        }
        // A handler on another thread waited for this outcome: it must find it as it was left, so
        // this thread goes no further (the handler ends the process).
        while (stopping.load(std::memory_order_acquire)) {
            pause();
        }
    }
    if (blocked_) {
        ::pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
        blocked_ = false;
    }
}

bool Registration::settle(const std::function<bool()>& change) {
    if (slot_ < 0) {
        return change();
    }
    hold({});
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
        slots[slot_].state.store(unused, std::memory_order_release);
    }
}

} // namespace orvane::SignalCleanup
