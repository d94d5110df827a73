#include "platform/application/SystemMemory.h"

#include <cstdio>
#include <malloc.h>
#include <unistd.h>

namespace orvane::SystemMemory {

std::uint64_t physicalBytes() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    return pages > 0 && pageSize > 0
               ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize)
               : 0;
}

std::uint64_t residentBytes() {
    std::FILE* const statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr) {
        return 0;
    }
    unsigned long long size = 0;
    unsigned long long resident = 0;
    const bool read = std::fscanf(statm, "%llu %llu", &size, &resident) == 2;
    std::fclose(statm);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    return read && pageSize > 0 ? resident * static_cast<std::uint64_t>(pageSize) : 0;
}

void releaseFreeMemory() {
    ::malloc_trim(0);
}

} // namespace orvane::SystemMemory
