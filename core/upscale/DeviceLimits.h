#pragma once

#include <cstdint>

namespace orvane::DeviceLimits {

// The most output pixels an enlargement may produce here: one thirty-second of the physical
// memory, at most 400,000,000.
std::int64_t maxPixels();
// The same for a given amount of memory in bytes.
std::int64_t maxPixels(std::uint64_t physicalMemory);

// The requested factor, lowered so that the output stays within maxPixels(). A source with no
// pixels gets the request unchanged.
double maxScale(std::int64_t width, std::int64_t height, double requested);
double maxScale(std::int64_t width, std::int64_t height, double requested, std::int64_t maxPixels);

// Whether a picture of `width` × `height` pixels stays within maxPixels(): one that does not is
// never decoded or made here. Negative sizes and products beyond 64 bits do not fit.
bool fitsPixelBudget(std::int64_t width, std::int64_t height);
bool fitsPixelBudget(std::int64_t width, std::int64_t height, std::int64_t maxPixels);

// The machine's physical memory in bytes.
std::uint64_t physicalMemory();

} // namespace orvane::DeviceLimits
