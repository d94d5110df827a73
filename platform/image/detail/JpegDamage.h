#pragma once

// Internal to the platform layer: tells a damaged JPEG from one that only carries the harmless
// oddities that many cameras and editors write.

#include <cstdint>
#include <span>

namespace orvane::JpegDamage {

// Whether the coded picture is damaged: its data ends before the picture does (whether or not an
// end marker follows), a code in it decodes to nothing, or a restart marker is lost. Stray bytes
// between markers, unknown header revisions and the like are not damage. Reads every coded block
// but never builds the full-size picture, and stops at the first damage it meets.
bool found(std::span<const std::uint8_t> bytes);

} // namespace orvane::JpegDamage
