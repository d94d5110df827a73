#include "platform/image/PixelMemory.h"

#include <new>
#include <sys/mman.h>

namespace orvane {

namespace {

constexpr std::size_t largePage = std::size_t{2} << 20;
constexpr std::align_val_t alignment{64};

} // namespace

void PixelMemory::Release::operator()(std::uint8_t* data) const {
    if (mapped > 0) {
        munmap(data, mapped);
    } else {
        ::operator delete(data, alignment);
    }
}

PixelMemory::PixelMemory(std::size_t bytes)
    : data_(nullptr, Release{0})
    , size_(bytes) {
    if (bytes < 4 * largePage) {
        data_ = {static_cast<std::uint8_t*>(::operator new(bytes == 0 ? 1 : bytes, alignment)), Release{0}};
        return;
    }
    // Mapped with a large page's room to spare, then trimmed to start and end on large pages, so
    // that the system can back all of it with them.
    const std::size_t rounded = (bytes + largePage - 1) / largePage * largePage;
    void* mapped =
        mmap(nullptr, rounded + largePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        throw std::bad_alloc();
    }
    auto* start = static_cast<std::uint8_t*>(mapped);
    const auto address = reinterpret_cast<std::uintptr_t>(start);
    const std::size_t head = (largePage - address % largePage) % largePage;
    if (head > 0) {
        munmap(start, head);
    }
    const std::size_t tail = largePage - head;
    if (tail > 0) {
        munmap(start + head + rounded, tail);
    }
    // Only advice: where large pages are off, the memory works in small ones.
    madvise(start + head, rounded, MADV_HUGEPAGE);
    data_ = {start + head, Release{rounded}};
}

} // namespace orvane
