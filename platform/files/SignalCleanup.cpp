#include "platform/files/SignalCleanup.h"

#include <array>
#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <mutex>
#include <unistd.h>

namespace orvane::SignalCleanup {

namespace {

// The signal handler may read the list at any moment, on any thread, so the list is fixed storage
// that is never freed: a slot's path is only read while its state says it is complete.
constexpr int unused = 0;
constexpr int changing = 1;
constexpr int registered = 2;

struct Slot {
    std::atomic<int> state{unused};
    char path[PATH_MAX];
};

constexpr int slotCount = 64;
std::array<Slot, slotCount> slots;

constexpr std::array<int, 3> stoppingSignals = {SIGINT, SIGTERM, SIGHUP};

extern "C" void removeRegisteredFiles(int signal) {
    for (Slot& slot : slots) {
        if (slot.state.load(std::memory_order_acquire) == registered) {
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

void installHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction handler {};
        handler.sa_handler = removeRegisteredFiles;
        ::sigemptyset(&handler.sa_mask);
        for (const int signal : stoppingSignals) {
            ::sigaddset(&handler.sa_mask, signal);
        }
        for (const int signal : stoppingSignals) {
            struct sigaction current {};
            if (::sigaction(signal, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) == 0 &&
                current.sa_handler == SIG_DFL) {
                ::sigaction(signal, &handler, nullptr);
            }
        }
    });
}

} // namespace

Registration::Registration(const std::filesystem::path& path) {
    // Absolute, so that it names the same file whatever the current folder is by then.
    std::error_code error;
    const std::string name = std::filesystem::absolute(path, error).native();
    if (error || name.size() >= PATH_MAX) {
        return;
    }
    installHandlers();
    for (int i = 0; i < slotCount; ++i) {
        int expected = unused;
        if (slots[i].state.compare_exchange_strong(expected, changing, std::memory_order_acq_rel)) {
            std::memcpy(slots[i].path, name.c_str(), name.size() + 1);
            slots[i].state.store(registered, std::memory_order_release);
            slot_ = i;
            return;
        }
    }
}

Registration::~Registration() {
    if (slot_ >= 0) {
        slots[slot_].state.store(unused, std::memory_order_release);
    }
}

} // namespace orvane::SignalCleanup
