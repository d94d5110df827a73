#pragma once

#include <cstdint>
#include <functional>
#include <span>

namespace orvane::FileChunks {

// Reads an open file from where it stands to its end and hands the bytes to `chunk` a megabyte at
// a time, so that a large file never has to be held whole. Returns false when a read fails; what
// was handed over until then stays handed over.
bool read(int fd, const std::function<void(std::span<const std::uint8_t>)>& chunk);

} // namespace orvane::FileChunks
