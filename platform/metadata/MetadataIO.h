#pragma once

// Internal to the platform layer: reading the metadata of image files and writing it into
// encoded ones, with exiv2.

#include "platform/image/ColorProfile.h"
#include "platform/metadata/ImageProperties.h"

#include <cstdint>
#include <span>
#include <vector>

namespace orvane::MetadataIO {

// EXIF (split into its main, EXIF, GPS and maker groups), IPTC, orientation and resolution.
// Files without readable metadata give empty properties; XMP is never read.
ImageProperties read(std::span<const std::uint8_t> fileBytes);

// The EXIF block of a HEIC or AVIF file, from its TIFF header on; empty when there is none.
std::vector<std::uint8_t> heifExifBlock(std::span<const std::uint8_t> fileBytes);

// Writes the EXIF, IPTC and colour profile of `properties` into an encoded JPEG or TIFF that
// holds no metadata yet. Nothing is written that the properties do not hold. Throws when the
// metadata cannot be written, leaving the bytes as they were.
void embed(std::vector<std::uint8_t>& fileBytes, const ImageProperties& properties,
           const ColorProfile& profile);

// The EXIF block (starting with its TIFF header) for containers that carry it as a blob; empty
// when the properties hold no EXIF at all.
std::vector<std::uint8_t> exifBlob(const ImageProperties& properties);

} // namespace orvane::MetadataIO
