#include "platform/image/PixelMemory.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <sys/mman.h>

namespace orvane {

void PixelMemory::Free::operator()(std::uint8_t* data) const {
    std::free(data);
}

PixelMemory::PixelMemory(std::size_t size)
    : size_(size) {
    const bool large = size >= largePageSize;
    const std::size_t alignment = large ? largePageSize : alignof(std::max_align_t);
    // aligned_alloc wants a multiple of the alignment; the tail of the last large page is unused.
    const std::size_t allocated = (std::max<std::size_t>(size, 1) + alignment - 1) / alignment * alignment;
    data_.reset(static_cast<std::uint8_t*>(std::aligned_alloc(alignment, allocated)));
    if (!data_) {
        throw std::bad_alloc();
    }
    if (large) {
        // Only advice: where large pages are off or scarce, small ones serve as before.
        ::madvise(data_.get(), allocated, MADV_HUGEPAGE);
    }
}

} // namespace orvane
