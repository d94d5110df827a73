#pragma once

#include <exception>
#include <string>

namespace orvane {

// Every failure the user may read derives from this one base, so a caller can show what() of any
// error without knowing its area.
class Error : public std::exception {
public:
    explicit Error(std::string description)
        : description_(std::move(description)) {}
    const char* what() const noexcept override { return description_.c_str(); }
    const std::string& description() const noexcept { return description_; }

private:
    std::string description_;
};

} // namespace orvane
