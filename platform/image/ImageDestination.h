#pragma once

#include "platform/image/Bitmap.h"
#include "platform/metadata/ImageProperties.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace orvane::ImageDestination {

// Whether `encode` writes files of this type: JPEG, PNG, HEIC, AVIF and TIFF.
bool canEncode(std::string_view typeIdentifier);

// Encodes one image as a file of the given type, in memory. `quality` (0 to 1) applies to the
// lossy types only. The file carries the bitmap's colour profile, and of the properties exactly
// their EXIF, TIFF, GPS, IPTC and maker groups, their orientation and their resolution; nothing
// else. Throws ImageSizeError, before encoding anything, when the image is larger than
// `largestSide` allows, and FileError (fileWriteUnknown) when it cannot be encoded.
std::vector<std::uint8_t> encode(const Bitmap& image, std::string_view typeIdentifier,
                                 const ImageProperties& properties, std::optional<double> quality);

// The largest width and height of a file of this type that this system writes: none when only the
// device's memory sets the limit.
std::optional<int> largestSide(std::string_view typeIdentifier);

// The setting `encode` hands the type's encoder for `quality`: two qualities with the same setting
// give the same file. None for the types that take no quality.
std::optional<int> qualitySetting(std::string_view typeIdentifier, double quality);

} // namespace orvane::ImageDestination
