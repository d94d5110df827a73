#pragma once

#include <csignal>
#include <functional>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace orvane::SignalCleanup {

// Which file a name led to when it was registered: a name is removed only while it still leads to
// that file, so that whatever someone else has put under the name since is never touched.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;

    static FileIdentity of(const struct stat& status) { return {status.st_dev, status.st_ino}; }
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// Keeps a file of the process's own on a list that is removed when SIGINT, SIGTERM or SIGHUP stops
// the process, for as long as the registration lives. The process then still ends by that signal,
// as it would have without the list (a shell reports 130, 143 or 129). Signals that the process
// already handles or ignores are left as they are.
class Registration {
public:
    // Registers the file `name` in the folder open as `folder` once `create` has made it and returned
    // its identity, with the stopping signals held off meanwhile: there is no moment at which the
    // file exists but would be left behind by a signal, nor one at which a name that turned out to
    // be someone else's is on the list. The registration keeps its own descriptor of the folder, so
    // that the file is found however long its path and wherever the current folder has gone.
    // When `create` returns none or throws, nothing is registered. When the file can't be kept on
    // the list (too many at once, no descriptor left), throws std::system_error before `create`
    // runs: a file made then would be left behind by a signal.
    Registration(int folder, const std::string& name,
                 const std::function<std::optional<FileIdentity>()>& create);
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
    // Holds this thread's stopping signals off and puts the slot in the settling state.
    void hold();
    // Ends `hold` or a settling: the file stays on the list or leaves it.
    void release(bool keep);
    // Takes the slot off the list for good.
    void free();

    int slot_ = -1;
    bool blocked_ = false;
    sigset_t previousMask_{};
};

} // namespace orvane::SignalCleanup
