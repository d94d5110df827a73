#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

namespace orvane::StreamFile {

// Whether `path` names something that is written as a stream rather than a file: an existing
// character device or named pipe (FIFO), or one of the process's own descriptors (/dev/stdout,
// /dev/stderr, /dev/fd/N, /proc/self/fd/N), whatever lies behind it. Such a destination is written
// to in place; it is never replaced or renamed around.
bool isStream(const std::filesystem::path& path);

// Throws FileError when `path` cannot be opened for writing now.
void checkWritable(const std::filesystem::path& path);

// Opens `path` for writing (appending, where that means anything) and writes all the bytes.
// Throws FileError, naming the path and why, on failure.
void write(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

} // namespace orvane::StreamFile
