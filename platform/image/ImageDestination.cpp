#include "platform/image/ImageDestination.h"

#include "platform/files/FileError.h"
#include "platform/image/ImageSizeError.h"
#include "platform/image/detail/HeifEncoder.h"
#include "platform/image/detail/PngChunks.h"
#include "platform/image/detail/VipsRuntime.h"
#include "platform/metadata/MetadataIO.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>

namespace orvane::ImageDestination {

using vips::VImage;

namespace {

enum class Target { jpeg, png, tiff, heic, avif };

std::optional<Target> targetFor(std::string_view identifier) {
    if (identifier == "public.jpeg") {
        return Target::jpeg;
    }
    if (identifier == "public.png") {
        return Target::png;
    }
    if (identifier == "public.tiff") {
        return Target::tiff;
    }
    if (identifier == "public.heic" || identifier == "public.heif") {
        return Target::heic;
    }
    if (identifier == "public.avif") {
        return Target::avif;
    }
    return std::nullopt;
}

constexpr double defaultDpi = 72.0;

// libjpeg counts a side in 16 bits and keeps clear of the top, so that its arithmetic never
// overflows.
constexpr int largestJpegSide = 65500;

int jpegQuality(double quality) {
    return static_cast<int>(std::clamp(std::lround(quality * 100), 1L, 100L));
}

// What of the properties to try writing, from all of them down to none of the source's: a camera's
// notes that the metadata library cannot write back are left out first, then every EXIF and IPTC
// entry. Each step only leaves out more, so nothing a policy removed (a location) comes back.
std::vector<ImageProperties> carriable(const ImageProperties& properties) {
    ImageProperties withoutMakerNotes = properties;
    withoutMakerNotes.maker.reset();
    ImageProperties layoutOnly;
    layoutOnly.orientation = properties.orientation;
    layoutOnly.dpiWidth = properties.dpiWidth;
    layoutOnly.dpiHeight = properties.dpiHeight;
    return {properties, withoutMakerNotes, layoutOnly};
}

// Metadata never costs the file: what cannot be written is left out.
std::vector<std::uint8_t> exifBlobOf(const ImageProperties& properties) {
    for (const ImageProperties& attempt : carriable(properties)) {
        try {
            return MetadataIO::exifBlob(attempt);
        } catch (const std::exception&) {
        }
    }
    return {};
}

void embedMetadata(std::vector<std::uint8_t>& bytes, const ImageProperties& properties,
                   const ColorProfile& profile) {
    const auto attempts = carriable(properties);
    for (std::size_t i = 0; i + 1 < attempts.size(); ++i) {
        try {
            MetadataIO::embed(bytes, attempts[i], profile);
            return;
        } catch (const std::exception&) {
            // The bytes are replaced only once the metadata is written.
        }
    }
    MetadataIO::embed(bytes, attempts.back(), profile);
}

// libvips writes its own idea of the file's metadata when asked to keep any; we have it write
// none at all and add exactly ours afterwards.
std::vector<std::uint8_t> encodeWithVips(const Bitmap& bitmap, Target target,
                                         const ImageProperties& properties, double quality) {
    VImage image = VipsRuntime::viewForEncoding(bitmap);
    const double xres = properties.dpiWidth.value_or(defaultDpi) / 25.4;
    const double yres = properties.dpiHeight.value_or(properties.dpiWidth.value_or(defaultDpi)) / 25.4;
    image = image.copy(VImage::option()->set("xres", xres)->set("yres", yres));
    // Written through the savers' memory targets: the *save_buffer operations of libvips 8.14 hand
    // back their buffer with a reference too many, and so leak every file they write.
    void* data = nullptr;
    std::size_t length = 0;
    switch (target) {
    case Target::jpeg: {
        const int q = jpegQuality(quality);
        image.write_to_buffer(
            ".jpg", &data, &length,
            VImage::option()->set("Q", q)->set("strip", true));
        break;
    }
    case Target::png:
        image.write_to_buffer(".png", &data, &length,
                              VImage::option()->set("strip", true)->set("compression", 6));
        break;
    case Target::tiff:
        image.write_to_buffer(".tif", &data, &length,
                              VImage::option()
                                  ->set("strip", true)
                                  ->set("compression", VIPS_FOREIGN_TIFF_COMPRESSION_DEFLATE)
                                  ->set("predictor", VIPS_FOREIGN_TIFF_PREDICTOR_HORIZONTAL)
                                  ->set("resunit", VIPS_FOREIGN_TIFF_RESUNIT_INCH));
        break;
    default:
        throw vips::VError("not a vips target");
    }
    const std::unique_ptr<void, decltype(&g_free)> owned(data, &g_free);
    const auto* begin = static_cast<const std::uint8_t*>(data);
    std::vector<std::uint8_t> bytes(begin, begin + length);
    if (target == Target::png) {
        PngChunks::embed(bytes, bitmap.colorProfile(), exifBlobOf(properties));
    } else {
        embedMetadata(bytes, properties, bitmap.colorProfile());
    }
    return bytes;
}

} // namespace

std::optional<int> qualitySetting(std::string_view typeIdentifier, double quality) {
    const auto target = targetFor(typeIdentifier);
    const double q = std::isfinite(quality) ? quality : 1.0;
    if (target == Target::jpeg) {
        return jpegQuality(q);
    }
    if (target == Target::heic || target == Target::avif) {
        return HeifEncoder::qualitySetting(q);
    }
    return std::nullopt;
}

std::optional<int> largestSide(std::string_view typeIdentifier) {
    switch (targetFor(typeIdentifier).value_or(Target::png)) {
    case Target::jpeg:
        return largestJpegSide;
    case Target::heic:
    case Target::avif:
        return HeifEncoder::largestSide;
    case Target::png:
    case Target::tiff:
        break;
    }
    return std::nullopt;
}

bool canEncode(std::string_view typeIdentifier) {
    return targetFor(typeIdentifier).has_value();
}

std::vector<std::uint8_t> encode(const Bitmap& image, std::string_view typeIdentifier,
                                 const ImageProperties& properties, std::optional<double> quality) {
    const auto target = targetFor(typeIdentifier);
    if (!target) {
        throw FileError(FileError::Code::fileWriteUnknown);
    }
    if (const auto largest = largestSide(typeIdentifier);
        largest && (image.width() > *largest || image.height() > *largest)) {
        throw ImageSizeError(std::string(typeIdentifier), *largest);
    }
    const double q = std::isfinite(quality.value_or(1.0)) ? quality.value_or(1.0) : 1.0;
    try {
        const Bitmap straight = image.unpremultiplied();
        if (*target == Target::heic || *target == Target::avif) {
            return HeifEncoder::encode(
                straight, *target == Target::heic ? HeifEncoder::Codec::hevc : HeifEncoder::Codec::av1, q,
                exifBlobOf(properties));
        }
        return encodeWithVips(straight, *target, properties, q);
    } catch (const std::bad_alloc&) {
        throw FileError(FileError::Code::fileWriteUnknown);
    } catch (const std::exception&) {
        throw FileError(FileError::Code::fileWriteUnknown);
    }
}

} // namespace orvane::ImageDestination
