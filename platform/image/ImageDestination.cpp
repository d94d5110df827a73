#include "platform/image/ImageDestination.h"

#include "platform/files/FileError.h"
#include "platform/filters/detail/LazyImageImpl.h"
#include "platform/image/ImageSizeError.h"
#include "platform/image/detail/HeifEncoder.h"
#include "platform/image/detail/PngChunks.h"
#include "platform/image/detail/VipsRuntime.h"
#include "platform/metadata/MetadataIO.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <memory>
#include <span>

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

// Where a JPEG's entropy-coded data begins: just after its first scan header. None when its
// markers can't be followed that far.
std::optional<std::size_t> jpegScanStart(std::span<const std::uint8_t> jpeg) {
    std::size_t at = 2; // after the start-of-image marker
    while (at + 4 <= jpeg.size()) {
        if (jpeg[at] != 0xFF) {
            return std::nullopt;
        }
        if (jpeg[at + 1] == 0xFF) { // fill byte
            ++at;
            continue;
        }
        const std::size_t length = (std::size_t{jpeg[at + 2]} << 8) | jpeg[at + 3];
        const std::size_t end = at + 2 + length;
        if (jpeg[at + 1] == 0xDA) {
            return end <= jpeg.size() ? std::optional(end) : std::nullopt;
        }
        at = end;
    }
    return std::nullopt;
}

// The JPEG with the metadata written into it. The metadata library rewrites the markers before the
// picture's data and copies that data as it is, so it is given only the markers, closed by an
// end-of-image marker, and the picture's data (nearly all of the file) is copied once, into the
// result, instead of through the library's buffers.
std::vector<std::uint8_t> jpegWithMetadata(std::span<const std::uint8_t> jpeg,
                                           const ImageProperties& properties, const ColorProfile& profile) {
    constexpr std::array<std::uint8_t, 2> endOfImage{0xFF, 0xD9};
    const auto scan = jpegScanStart(jpeg);
    if (scan) {
        std::vector<std::uint8_t> head(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(*scan));
        head.insert(head.end(), endOfImage.begin(), endOfImage.end());
        embedMetadata(head, properties, profile);
        if (head.size() >= 2 && std::equal(endOfImage.begin(), endOfImage.end(), head.end() - 2)) {
            head.resize(head.size() - 2);
            head.reserve(head.size() + (jpeg.size() - *scan));
            head.insert(head.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(*scan), jpeg.end());
            return head;
        }
    }
    std::vector<std::uint8_t> bytes(jpeg.begin(), jpeg.end());
    embedMetadata(bytes, properties, profile);
    return bytes;
}

// libvips writes its own idea of the file's metadata when asked to keep any; we have it write
// none at all and add exactly ours afterwards.
// `image`: 8-bit RGB, or RGBA with straight alpha, whose samples are in `profile`.
std::vector<std::uint8_t> encodeWithVips(VImage image, const ColorProfile& profile, Target target,
                                         const ImageProperties& properties, double quality,
                                         JpegTables tables = JpegTables::standard) {
    const double xres = properties.dpiWidth.value_or(defaultDpi) / 25.4;
    const double yres = properties.dpiHeight.value_or(properties.dpiWidth.value_or(defaultDpi)) / 25.4;
    image = image.copy(VImage::option()->set("xres", xres)->set("yres", yres));
    // Written through the savers' memory targets: the *save_buffer operations of libvips 8.14 hand
    // back their buffer with a reference too many, and so leak every file they write.
    void* data = nullptr;
    std::size_t length = 0;
    switch (target) {
    case Target::jpeg: {
        image.write_to_buffer(".jpg", &data, &length,
                              VImage::option()
                                  ->set("Q", jpegQuality(quality))
                                  ->set("strip", true)
                                  ->set("optimize_coding", tables == JpegTables::optimized));
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
    const std::span<const std::uint8_t> encoded(static_cast<const std::uint8_t*>(data), length);
    if (target == Target::png) {
        return PngChunks::embedded(encoded, profile, exifBlobOf(properties));
    }
    if (target == Target::jpeg) {
        return jpegWithMetadata(encoded, properties, profile);
    }
    std::vector<std::uint8_t> bytes(encoded.begin(), encoded.end());
    embedMetadata(bytes, properties, profile);
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

namespace {

Target checkedTarget(std::string_view typeIdentifier, int width, int height) {
    const auto target = targetFor(typeIdentifier);
    if (!target) {
        throw FileError(FileError::Code::fileWriteUnknown);
    }
    if (const auto largest = largestSide(typeIdentifier);
        largest && (width > *largest || height > *largest)) {
        throw ImageSizeError(std::string(typeIdentifier), *largest);
    }
    return *target;
}

double settledQuality(std::optional<double> quality) {
    return std::isfinite(quality.value_or(1.0)) ? quality.value_or(1.0) : 1.0;
}

std::vector<std::uint8_t> encodeWithHeif(const Bitmap& straight, Target target,
                                         const ImageProperties& properties, double quality) {
    return HeifEncoder::encode(straight,
                               target == Target::heic ? HeifEncoder::Codec::hevc : HeifEncoder::Codec::av1,
                               quality, exifBlobOf(properties));
}

} // namespace

std::vector<std::uint8_t> encode(const Bitmap& image, std::string_view typeIdentifier,
                                 const ImageProperties& properties, std::optional<double> quality,
                                 JpegTables tables) {
    const Target target = checkedTarget(typeIdentifier, image.width(), image.height());
    const double q = settledQuality(quality);
    try {
        const Bitmap straight = image.unpremultiplied();
        if (target == Target::heic || target == Target::avif) {
            return encodeWithHeif(straight, target, properties, q);
        }
        return encodeWithVips(VipsRuntime::viewForEncoding(straight), straight.colorProfile(), target,
                              properties, q, tables);
    } catch (const std::exception&) {
        throw FileError(FileError::Code::fileWriteUnknown);
    }
}

std::vector<std::uint8_t> encode(const LazyImage& image, std::string_view typeIdentifier,
                                 const ImageProperties& properties, std::optional<double> quality) {
    const Target target = checkedTarget(typeIdentifier, image.width(), image.height());
    const double q = settledQuality(quality);
    try {
        if (target == Target::heic || target == Target::avif) {
            // libheif takes the whole picture at once.
            return encodeWithHeif(image.bitmap(), target, properties, q);
        }
        const LazyImage::Impl& lazy = image.impl();
        return encodeWithVips(lazy.image, lazy.profile.value_or(ColorProfile::srgb()), target, properties, q);
    } catch (const std::exception&) {
        throw FileError(FileError::Code::fileWriteUnknown);
    }
}

} // namespace orvane::ImageDestination
