#pragma once

#include <csignal>
#include <filesystem>
#include <functional>

namespace orvane::SignalCleanup {

// Keeps a file of the process's own on a list that is removed when SIGINT, SIGTERM or SIGHUP stops
// the process, for as long as the registration lives. The process then still ends by that signal,
// as it would have without the list (a shell reports 130, 143 or 129). Signals that the process
// already handles or ignores are left as they are.
class Registration {
public:
    explicit Registration(const std::filesystem::path& path);
    // Registers `path` once `create` has made it (returned true), with the stopping signals held off
    // meanwhile: there is no moment at which the file exists but would be left behind by a signal,
    // nor one at which a name that turned out to be someone else's is on the list. When `create`
    // throws, nothing is registered.
    Registration(const std::filesystem::path& path, const std::function<bool()>& create);
    ~Registration();
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;

    // Whether the file is on the list: false after a `create` that failed, and after `settle`.
    bool isRegistered() const { return slot_ >= 0; }

    // Runs `change`, which returns true once the file is no longer the process's own to remove (it
    // was renamed into the user's hands, or removed), with the stopping signals held off it: a signal
    // that arrives meanwhile takes effect once `change` has run, and removes the file only if
    // `change` returned false (or threw). When it returned true the registration has ended.
    bool settle(const std::function<bool()>& change);

private:
    // Takes a slot for `path` in the settling state, with this thread's stopping signals blocked.
    void hold(const std::filesystem::path& path);
    // Ends `hold` or a settling: the file stays on the list or leaves it.
    void release(bool keep);

    int slot_ = -1;
    bool blocked_ = false;
    sigset_t previousMask_{};
};

} // namespace orvane::SignalCleanup
