#pragma once

#include <cstdint>

namespace orvane::SystemMemory {

// The machine's physical memory in bytes; 0 when the system does not say.
std::uint64_t physicalBytes();

// Hands the memory that the process has freed but its allocator still keeps (in every thread's
// arena) back to the system, so that a long-running process shrinks after a large piece of work.
void returnFreedMemory();

} // namespace orvane::SystemMemory
