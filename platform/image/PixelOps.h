#pragma once

#include <cstdint>
#include <span>

namespace orvane::PixelOps {

// In-place alpha arithmetic over 8-bit RGBA pixels (four bytes each, alpha last).
void premultiply(std::span<std::uint8_t> rgba);
// Pixels whose alpha is 0 or 255 are left as they are; the others get (c × 255 + a / 2) / a,
// capped at 255, in integer arithmetic.
void unpremultiply(std::span<std::uint8_t> rgba);

} // namespace orvane::PixelOps
