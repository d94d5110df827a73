#include "core/ImageFiles.h"

#include "core/Render.h"
#include "core/convert/ConvertError.h"
#include "core/convert/ConvertFormat.h"
#include "core/upscale/DeviceLimits.h"
#include "platform/files/AtomicFile.h"
#include "platform/files/FileError.h"
#include "platform/image/ImageDestination.h"
#include "platform/image/ImageSizeError.h"

#include <algorithm>

namespace orvane::ImageFiles {

namespace {
[[noreturn]] void corrupt() {
    throw FileError(FileError::Code::fileReadCorruptFile);
}
} // namespace

void requireFitsDevice(std::int64_t width, std::int64_t height) {
    if (!DeviceLimits::fitsPixelBudget(width, height)) {
        throw FileError(FileError::Code::fileReadTooLarge);
    }
}

void requireFitsDevice(const ImageSource& source) {
    const ImageProperties& properties = source.properties();
    requireFitsDevice(properties.pixelWidth.value_or(0), properties.pixelHeight.value_or(0));
}

Bitmap decode(const ImageSource& source, std::optional<int> maxPixelSize) {
    requireFitsDevice(source);
    const ImageProperties& properties = source.properties();
    const int longSide = std::max(properties.pixelWidth.value_or(0), properties.pixelHeight.value_or(0));
    // A camera RAW file can develop larger than its header says (non-square pixels, turned
    // sensors): at full size it is taken as developed.
    const std::optional<int> limit = maxPixelSize || !source.isCameraRaw()
                                         ? std::optional(maxPixelSize.value_or(std::max(longSide, 1)))
                                         : std::nullopt;
    auto image = source.count() > 0 ? source.createThumbnail(limit) : std::nullopt;
    if (!image) {
        corrupt();
    }
    return *image;
}

Bitmap loadFromURL(const std::filesystem::path& url, std::optional<int> maxPixelSize) {
    const auto source = ImageSource::createFromFile(url);
    if (!source) {
        corrupt();
    }
    return decode(*source, maxPixelSize);
}

Bitmap loadFromData(const SharedBytes& bytes, std::optional<int> maxPixelSize) {
    const auto source = ImageSource::create(bytes);
    if (!source) {
        corrupt();
    }
    return decode(*source, maxPixelSize);
}

Bitmap loadFromData(std::span<const std::uint8_t> bytes, std::optional<int> maxPixelSize) {
    return loadFromData(std::make_shared<const Bytes>(bytes.begin(), bytes.end()), maxPixelSize);
}

std::optional<Bitmap> firstImage(std::span<const std::uint8_t> bytes) {
    const auto source = ImageSource::create(bytes);
    if (!source || source->count() == 0) {
        return std::nullopt;
    }
    try {
        requireFitsDevice(*source);
    } catch (const FileError&) {
        return std::nullopt;
    }
    return source->createImage();
}

void save(const Bitmap& image, const std::filesystem::path& url, Format format, double quality,
          std::optional<int> dpi) {
    const ConvertFormat converted = format == Format::png    ? ConvertFormat::png
                                    : format == Format::jpeg ? ConvertFormat::jpeg
                                                             : ConvertFormat::heic;
    ImageProperties properties;
    if (dpi) {
        properties.dpiWidth = *dpi;
        properties.dpiHeight = *dpi;
    }
    // A JPEG keeps no transparency, and what lies hidden under it (black, in a cut-out) would
    // show; it goes on white, as the converter puts it.
    const Bitmap& written = format == Format::jpeg && hasAlphaChannel(image.alphaInfo())
                                ? Render::flattenedOnWhite(image)
                                : image;
    Bytes bytes;
    try {
        bytes = ImageDestination::encode(written, utType(converted).identifier(), properties, quality);
    } catch (const ImageSizeError& error) {
        throw ConvertRequestError::imageTooLarge(title(converted), error.largestSide());
    }
    AtomicFile::write(url, bytes);
}

} // namespace orvane::ImageFiles
