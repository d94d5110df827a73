#pragma once

#include <cstdint>

namespace orvane::SystemMemory {

// The machine's physical memory in bytes; 0 when the system does not say.
std::uint64_t physicalBytes();

// The process's resident memory in bytes; 0 when the system does not say.
std::uint64_t residentBytes();

// Hands the memory that the process has freed, but that the allocator still keeps in its pools,
// back to the system. A large job frees hundreds of megabytes spread across the pools of the
// threads that did the work, where the allocator would otherwise keep them for good.
void returnFreedMemory();

} // namespace orvane::SystemMemory
