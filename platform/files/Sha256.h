#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace orvane::Sha256 {

using Digest = std::array<std::uint8_t, 32>;

Digest digest(std::span<const std::uint8_t> bytes);

// Lowercase hexadecimal, two digits a byte, as checksums are usually written.
std::string hex(std::span<const std::uint8_t> bytes);

} // namespace orvane::Sha256
