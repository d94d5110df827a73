#pragma once

#include <filesystem>

namespace orvane::SignalCleanup {

// Keeps a file of the process's own on a list that is removed when SIGINT, SIGTERM or SIGHUP stops
// the process, for as long as the registration lives. The process then still ends by that signal,
// as it would have without the list (a shell reports 130, 143 or 129). Signals that the process
// already handles or ignores are left as they are.
class Registration {
public:
    explicit Registration(const std::filesystem::path& path);
    ~Registration();
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;

private:
    int slot_ = -1;
};

} // namespace orvane::SignalCleanup
