#pragma once

#include <cstdint>

namespace orvane::SystemMemory {

// The machine's physical memory in bytes; 0 when the system does not say.
std::uint64_t physicalBytes();

} // namespace orvane::SystemMemory
