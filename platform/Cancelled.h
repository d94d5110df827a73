#pragma once

#include <exception>

namespace orvane {

// Cancellation is not a failure: callers catch it apart and show nothing.
class Cancelled : public std::exception {
public:
    const char* what() const noexcept override { return "The operation was cancelled."; }
};

} // namespace orvane
