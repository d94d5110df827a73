#pragma once

#include <stop_token>

namespace orvane {

// The editor's hold on one task it started: enough to ask the task to stop and to tell whether a
// task is still the one the editor holds. Copies are the same task; two handles are equal only
// when they are.
class TaskHandle {
public:
    TaskHandle() = default;

    void cancel() { source_.request_stop(); }
    bool isCancelled() const { return source_.stop_requested(); }
    // For work that checks cancellation on another thread.
    std::stop_token token() const { return source_.get_token(); }

    friend bool operator==(const TaskHandle&, const TaskHandle&) = default;

private:
    std::stop_source source_;
};

} // namespace orvane
