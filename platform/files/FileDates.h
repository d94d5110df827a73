#pragma once

#include <chrono>
#include <filesystem>
#include <optional>

namespace orvane::FileDates {

// When the file at `path` (a link followed) was last modified, to the nanosecond the file system
// keeps; none when it cannot be looked at.
std::optional<std::chrono::system_clock::time_point> modified(const std::filesystem::path& path);

} // namespace orvane::FileDates
