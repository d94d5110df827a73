#pragma once

#include "core/RawRepresentable.h"
#include "platform/image/Bitmap.h"
#include "platform/image/ImageSource.h"

#include <filesystem>
#include <optional>
#include <span>

namespace orvane::ImageFiles {

// The formats `save` writes.
enum class Format { png, jpeg, heic };

// Decodes the first image of a file, upright, at full size or with its long side at most
// `maxPixelSize`. Throws FileError (fileReadCorruptFile) when there is no image to decode, and
// (fileReadTooLarge) as requireFitsDevice says.
Bitmap loadFromURL(const std::filesystem::path& url, std::optional<int> maxPixelSize = std::nullopt);
Bitmap loadFromData(std::span<const std::uint8_t> bytes, std::optional<int> maxPixelSize = std::nullopt);
Bitmap loadFromData(const SharedBytes& bytes, std::optional<int> maxPixelSize = std::nullopt);
Bitmap decode(const ImageSource& source, std::optional<int> maxPixelSize);

// Throws FileError (fileReadTooLarge) when the stored size of the source's first image, read from
// its header, is more than this device's pixel budget (DeviceLimits): a few bytes can declare a
// picture that would exhaust the machine, so it is refused before any of it is decoded.
void requireFitsDevice(const ImageSource& source);
void requireFitsDevice(std::int64_t width, std::int64_t height);

// The first image exactly as stored (no orientation applied), or none (also when it is larger
// than requireFitsDevice allows).
std::optional<Bitmap> firstImage(std::span<const std::uint8_t> bytes);

// Writes one image file with only a compression quality and, when given, a resolution: nothing
// of any source's metadata. A JPEG shows transparency as white. Throws ConvertRequestError, writing nothing,
// for an image larger than the format's files may be here, and FileError (fileWriteUnknown) on any other
// failure.
void save(const Bitmap& image, const std::filesystem::path& url, Format format, double quality,
          std::optional<int> dpi = std::nullopt);

} // namespace orvane::ImageFiles

namespace orvane {
template <> struct RawValues<ImageFiles::Format> {
    static constexpr std::array<std::pair<ImageFiles::Format, std::string_view>, 3> table{{
        {ImageFiles::Format::png, "png"},
        {ImageFiles::Format::jpeg, "jpeg"},
        {ImageFiles::Format::heic, "heic"},
    }};
};
} // namespace orvane
