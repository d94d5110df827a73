#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace orvane::Sha256 {

using Digest = std::array<std::uint8_t, 32>;

Digest digest(std::span<const std::uint8_t> bytes);
// The digest of a file's content, read a piece at a time; none when it can't be read.
std::optional<Digest> fileDigest(const std::filesystem::path& path);

// Lowercase hexadecimal, two digits a byte, as checksums are usually written.
std::string hex(std::span<const std::uint8_t> bytes);

} // namespace orvane::Sha256
