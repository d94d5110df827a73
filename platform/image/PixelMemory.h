#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace orvane {

// Memory for a whole picture's pixels that is left as it comes from the system: whatever fills it
// writes every byte, so clearing it first would only touch each page once more. A large one is
// laid out for the kernel's 2 MiB pages, which it is asked to use: a fresh page costs about as
// much to fault in whatever its size, and a photo's buffer spans thousands of small ones.
class PixelMemory {
public:
    // Throws std::bad_alloc when the memory cannot be had.
    explicit PixelMemory(std::size_t size);

    std::span<std::uint8_t> bytes() { return {data_.get(), size_}; }
    std::span<const std::uint8_t> bytes() const { return {data_.get(), size_}; }

    // From this size on, the buffer is aligned and advised for large pages.
    static constexpr std::size_t largePageSize = std::size_t{2} << 20;

private:
    struct Free {
        void operator()(std::uint8_t* data) const;
    };
    std::unique_ptr<std::uint8_t[], Free> data_;
    std::size_t size_;
};

} // namespace orvane
