#include "platform/application/SystemMemory.h"

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

void returnFreedMemory() {
    malloc_trim(0);
}

} // namespace orvane::SystemMemory
