#pragma once

#include <cstdint>

namespace orvane::SystemMemory {

// The machine's physical memory in bytes; 0 when the system does not say.
std::uint64_t physicalBytes();

// The process's resident memory in bytes; 0 when the system does not say.
std::uint64_t residentBytes();

// Hands the memory that the allocator holds free back to the system. After work that allocates
// and frees large buffers on several threads, much of it stays with the threads' heaps, counted
// against the process, until it is asked for this way.
void releaseFreeMemory();

} // namespace orvane::SystemMemory
