#pragma once

#include "platform/files/Bytes.h"

#include <filesystem>
#include <optional>

namespace orvane::FileBytes {

// The whole content of a regular file, or none when it cannot be read (missing, a folder, an
// I/O error) or is no regular file (a named pipe, a device), without ever waiting on one.
std::optional<Bytes> read(const std::filesystem::path& path);

} // namespace orvane::FileBytes
