#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace orvane {

// Memory for a picture that is about to be written in full: left unfilled, since every byte is
// written anyway, 64-byte aligned, and for large pictures asked for in the system's large pages,
// whose first touch costs one fault per 2 MiB instead of one per 4 KiB (each about as slow as
// copying the page). Given back to the system when it goes.
class PixelMemory {
public:
    // Throws std::bad_alloc when the memory can't be had.
    explicit PixelMemory(std::size_t bytes);

    std::uint8_t* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    std::span<std::uint8_t> bytes() { return {data_.get(), size_}; }
    std::span<const std::uint8_t> bytes() const { return {data_.get(), size_}; }

private:
    struct Release {
        std::size_t mapped; // bytes mapped, or 0 for memory from the allocator
        void operator()(std::uint8_t* data) const;
    };
    std::unique_ptr<std::uint8_t, Release> data_;
    std::size_t size_;
};

} // namespace orvane
