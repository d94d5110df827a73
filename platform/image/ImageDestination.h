#pragma once

#include "platform/filters/LazyImage.h"
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
// How a JPEG's Huffman tables are made: libjpeg's standard ones, or tables computed for the
// picture, which make the file smaller (about 1% at quality 0.85, a fifth to a third below 0.1)
// but hold the whole picture's coefficients (3 to 6 bytes a pixel) and take a third more time.
enum class JpegTables { standard, optimized };

std::vector<std::uint8_t> encode(const Bitmap& image, std::string_view typeIdentifier,
                                 const ImageProperties& properties, std::optional<double> quality,
                                 JpegTables tables = JpegTables::standard);

// The same, from a lazy image in its own colour profile (straight alpha): the pixels go to the
// encoder as they are computed, and a failure to compute them (a damaged file it decodes) is a
// failure to encode.
std::vector<std::uint8_t> encode(const LazyImage& image, std::string_view typeIdentifier,
                                 const ImageProperties& properties, std::optional<double> quality);

// The largest width and height of a file of this type that this system writes: none when only the
// device's memory sets the limit.
std::optional<int> largestSide(std::string_view typeIdentifier);

// The setting `encode` hands the type's encoder for `quality`: two qualities with the same setting
// give the same file. None for the types that take no quality.
std::optional<int> qualitySetting(std::string_view typeIdentifier, double quality);

} // namespace orvane::ImageDestination
