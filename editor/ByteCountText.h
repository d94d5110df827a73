#pragma once

#include <QString>
#include <cstdint>

namespace orvane {

// A file size as the user reads it, in units of 1000 bytes: "Zero KB", "1 byte", "512 bytes",
// "482 KB", "1.2 MB", "3.05 GB". Kilobytes show no fraction, megabytes one digit, larger units
// two, with trailing zeros dropped.
QString byteCountText(std::int64_t bytes);

} // namespace orvane
