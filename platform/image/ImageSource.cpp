#include "platform/image/ImageSource.h"

#include "platform/files/FileBytes.h"
#include "platform/filters/detail/LazyImageImpl.h"
#include "platform/image/RawDecoder.h"
#include "platform/image/UniformType.h"
#include "platform/image/detail/BmpDecoder.h"
#include "platform/image/detail/JpegDamage.h"
#include "platform/image/detail/VipsRuntime.h"
#include "platform/metadata/MetadataIO.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

namespace orvane {

using vips::VImage;

namespace {

bool startsWith(std::span<const std::uint8_t> bytes, std::size_t offset, std::string_view magic) {
    return bytes.size() >= offset + magic.size() &&
           std::memcmp(bytes.data() + offset, magic.data(), magic.size()) == 0;
}

struct Sniffed {
    ImageSource::Kind kind;
    std::string typeIdentifier;
    std::optional<ImageProperties> metadata = std::nullopt; // when telling the kind already needed it
    std::optional<RawDecoder::Header> raw = std::nullopt;   // likewise
};

std::string rawTypeForMake(std::string make) {
    std::ranges::transform(make, make.begin(),
                           [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (make.starts_with("NIKON")) {
        return "com.nikon.raw-image";
    }
    if (make.starts_with("SONY")) {
        return "com.sony.arw-raw-image";
    }
    if (make.starts_with("PENTAX") || make.starts_with("RICOH")) {
        return "com.pentax.raw-image";
    }
    if (make.starts_with("SAMSUNG")) {
        return "com.samsung.raw-image";
    }
    if (make.starts_with("CANON")) {
        return "com.canon.cr2-raw-image";
    }
    if (make.starts_with("OLYMPUS") || make.starts_with("OM ")) {
        return "com.olympus.raw-image";
    }
    return "public.camera-raw-image";
}

// The brands of an ISO media file's ftyp box: its major brand and the compatible ones.
std::vector<std::string> ftypBrands(std::span<const std::uint8_t> b) {
    std::vector<std::string> brands;
    if (b.size() < 16 || !startsWith(b, 4, "ftyp")) {
        return brands;
    }
    const std::size_t boxSize = (std::size_t{b[0]} << 24) | (b[1] << 16) | (b[2] << 8) | b[3];
    const std::size_t end = std::min(b.size(), std::max<std::size_t>(boxSize, 16));
    brands.emplace_back(reinterpret_cast<const char*>(b.data() + 8), 4);
    for (std::size_t at = 16; at + 4 <= end; at += 4) {
        brands.emplace_back(reinterpret_cast<const char*>(b.data() + at), 4);
    }
    return brands;
}

std::optional<Sniffed> sniff(std::span<const std::uint8_t> b) {
    using Kind = ImageSource::Kind;
    if (startsWith(b, 0, "\xFF\xD8\xFF")) {
        return Sniffed{Kind::jpeg, "public.jpeg"};
    }
    if (startsWith(b, 0, "\x89PNG\r\n\x1A\n")) {
        return Sniffed{Kind::png, "public.png"};
    }
    if (startsWith(b, 0, "GIF87a") || startsWith(b, 0, "GIF89a")) {
        return Sniffed{Kind::gif, "com.compuserve.gif"};
    }
    if (startsWith(b, 0, "BM") && BmpDecoder::readHeader(b)) {
        return Sniffed{Kind::bmp, "com.microsoft.bmp"};
    }
    if (startsWith(b, 0, "RIFF") && startsWith(b, 8, "WEBP")) {
        return Sniffed{Kind::webp, "org.webmproject.webp"};
    }
    if (const auto brands = ftypBrands(b); !brands.empty()) {
        const auto has = [&](std::string_view brand) {
            return std::ranges::find(brands, brand) != brands.end();
        };
        if (brands.front() == "crx ") {
            return Sniffed{Kind::raw, "com.canon.cr3-raw-image"};
        }
        if (brands.front() == "avif" || brands.front() == "avis" || (!has("heic") && has("avif"))) {
            return Sniffed{Kind::heif, "public.avif"};
        }
        if (has("heic") || has("heix") || has("hevc") || has("heim") || has("heis") || has("hevx")) {
            return Sniffed{Kind::heif, "public.heic"};
        }
        if (has("mif1") || has("msf1")) {
            return Sniffed{Kind::heif, "public.heif"};
        }
        return std::nullopt;
    }
    if (startsWith(b, 0, "FUJIFILMCCD-RAW")) {
        return Sniffed{Kind::raw, "com.fuji.raw-image"};
    }
    if (startsWith(b, 0, "IIRO") || startsWith(b, 0, "IIRS") || startsWith(b, 0, "MMOR")) {
        return Sniffed{Kind::raw, "com.olympus.raw-image"};
    }
    if (startsWith(b, 0, std::string_view("IIU\0", 4))) {
        return Sniffed{Kind::raw, "com.panasonic.rw2-raw-image"};
    }
    if (startsWith(b, 0, std::string_view("\0MRM", 4))) {
        return Sniffed{Kind::raw, "com.konicaminolta.raw-image"};
    }
    if (startsWith(b, 0, "FOVb")) {
        return Sniffed{Kind::raw, "com.sigma.raw-image"};
    }
    if (startsWith(b, 6, "HEAPCCDR")) {
        return Sniffed{Kind::raw, "com.canon.crw-raw-image"};
    }
    if (startsWith(b, 0, std::string_view("II*\0", 4)) || startsWith(b, 0, std::string_view("MM\0*", 4))) {
        if (startsWith(b, 8, "CR")) {
            return Sniffed{Kind::raw, "com.canon.cr2-raw-image"};
        }
        // Many camera RAW formats are TIFF files underneath; LibRaw tells them from plain TIFFs.
        if (const auto raw = RawDecoder::identify(b)) {
            if (raw->isDng) {
                return Sniffed{Kind::raw, "com.adobe.raw-image", std::nullopt, raw};
            }
            ImageProperties metadata = MetadataIO::read(b);
            const PropertyValue* make = metadata.tiff ? findProperty(*metadata.tiff, "Make") : nullptr;
            if (make != nullptr && !make->text.empty()) {
                std::string type = rawTypeForMake(make->text);
                return Sniffed{Kind::raw, std::move(type), std::move(metadata), raw};
            }
            return Sniffed{Kind::tiff, "public.tiff", std::move(metadata)};
        }
        return Sniffed{Kind::tiff, "public.tiff"};
    }
    return std::nullopt;
}

bool namesRaw(const std::optional<std::string>& typeHint) {
    const auto type = typeHint ? UniformType::fromIdentifier(*typeHint) : std::nullopt;
    return type && type->conforms(UniformType::rawImage());
}

std::optional<Sniffed> recognise(std::span<const std::uint8_t> b,
                                 const std::optional<std::string>& typeHint) {
    auto sniffed = sniff(b);
    if ((!sniffed || sniffed->kind == ImageSource::Kind::tiff) && namesRaw(typeHint)) {
        if (const auto raw = RawDecoder::identify(b)) {
            return Sniffed{ImageSource::Kind::raw, *typeHint,
                           sniffed ? std::move(sniffed->metadata) : std::nullopt, raw};
        }
    }
    return sniffed;
}

// How much a decoder's complaints count. A file that ends early would otherwise decode with its
// missing part filled in, and a damaged picture would pass for a good one; but the libraries also
// complain of harmless things, so only what each can be trusted with is asked of it.
VipsFailOn strictest(ImageSource::Kind kind) {
    switch (kind) {
    case ImageSource::Kind::jpeg: // its harmless warnings are told from damage after a refusal
    case ImageSource::Kind::gif:  // garbled picture data counts only as a warning here
        return VIPS_FAIL_ON_WARNING;
    default:
        return VIPS_FAIL_ON_TRUNCATED;
    }
}

// Whether a JPEG holds fewer bytes than any whole picture of its size needs: each block of 8 × 8
// samples costs at least two bits in a plainly coded file (its first coefficient and its end), so
// fewer than one byte for 256 pixels means the data most likely breaks off early. Such a file is
// checked before it is decoded: decoding it first would fill memory with the missing part.
bool holdsTooFewBytes(std::size_t size, const ImageProperties& properties) {
    const auto pixels = static_cast<std::uint64_t>(properties.pixelWidth.value_or(0)) *
                        static_cast<std::uint64_t>(properties.pixelHeight.value_or(0));
    return size < pixels / 256;
}

// A blob over the bytes. With `owner`, the blob keeps them alive for as long as an image decodes
// from it, however long it outlives the source; without, the caller keeps them.
VipsBlob* blobOver(std::span<const std::uint8_t> b, const SharedBytes& owner) {
    if (!owner) {
        return vips_blob_new(nullptr, b.data(), b.size());
    }
    VipsBlob* blob = vips_blob_new(
        [](void*, void* area) {
            // Ownership came through the C callback's client pointer.
            std::unique_ptr<SharedBytes>(static_cast<SharedBytes*>(static_cast<VipsArea*>(area)->client));
            return 0;
        },
        b.data(), b.size());
    blob->area.client = std::make_unique<SharedBytes>(owner).release();
    return blob;
}

VImage loadWithVips(ImageSource::Kind kind, std::span<const std::uint8_t> b, vips::VOption* options = nullptr,
                    VipsAccess access = VIPS_ACCESS_RANDOM, VipsFailOn failOn = VIPS_FAIL_ON_TRUNCATED,
                    const SharedBytes& owner = nullptr) {
    VipsBlob* blob = blobOver(b, owner);
    struct BlobRef {
        VipsBlob* blob;
        ~BlobRef() { vips_area_unref(&blob->area); }
    } ref{blob};
    if (options == nullptr) {
        options = VImage::option();
    }
    options->set("access", access)->set("fail_on", failOn);
    switch (kind) {
    case ImageSource::Kind::jpeg:
        return VImage::jpegload_buffer(blob, options);
    case ImageSource::Kind::png:
        return VImage::pngload_buffer(blob, options);
    case ImageSource::Kind::gif:
        return VImage::gifload_buffer(blob, options);
    case ImageSource::Kind::webp:
        return VImage::webpload_buffer(blob, options);
    case ImageSource::Kind::heif:
        return VImage::heifload_buffer(blob, options);
    case ImageSource::Kind::tiff:
        return VImage::tiffload_buffer(blob, options);
    default:
        throw vips::VError("not a vips format");
    }
}

std::string colorModelOf(VipsInterpretation interpretation) {
    switch (interpretation) {
    case VIPS_INTERPRETATION_B_W:
    case VIPS_INTERPRETATION_GREY16:
        return "Gray";
    case VIPS_INTERPRETATION_CMYK:
        return "CMYK";
    case VIPS_INTERPRETATION_LAB:
    case VIPS_INTERPRETATION_LABS:
        return "Lab";
    default:
        return "RGB";
    }
}

// The size of a picture of `width` × `height` scaled so that its long side is exactly the limit,
// the short side rounded and at least 1; or that size itself when it is within the limit.
std::pair<int, int> fittedSize(int width, int height, int maxPixelSize) {
    const int longEdge = std::max(width, height);
    if (longEdge <= maxPixelSize) {
        return {width, height};
    }
    const double scale = static_cast<double>(maxPixelSize) / longEdge;
    const auto side = [&](int length) {
        return length == longEdge ? maxPixelSize : std::max(1, static_cast<int>(std::lround(length * scale)));
    };
    return {side(width), side(height)};
}

VImage resizedToFit(const VImage& image, int maxPixelSize) {
    const auto [width, height] = fittedSize(image.width(), image.height(), maxPixelSize);
    return width == image.width() && height == image.height()
               ? image
               : VipsRuntime::resizeExactly(image, width, height);
}

} // namespace

std::optional<ImageSource> ImageSource::create(std::span<const std::uint8_t> bytes) {
    return create(std::make_shared<const Bytes>(bytes.begin(), bytes.end()));
}

std::optional<ImageSource> ImageSource::createFromFile(const std::filesystem::path& path) {
    auto bytes = FileBytes::read(path);
    if (!bytes) {
        return std::nullopt;
    }
    return create(std::make_shared<const Bytes>(std::move(*bytes)));
}

std::optional<ImageSource> ImageSource::create(SharedBytes bytes,
                                               const std::optional<std::string>& typeHint) {
    VipsRuntime::ensure();
    if (!bytes) {
        return std::nullopt;
    }
    auto sniffed = recognise(*bytes, typeHint);
    if (!sniffed) {
        return std::nullopt;
    }
    auto state = std::make_shared<State>();
    state->bytes = bytes;
    state->kind = sniffed->kind;
    state->typeIdentifier = sniffed->typeIdentifier;
    ImageProperties& properties = state->properties;
    if (sniffed->metadata) {
        properties = std::move(*sniffed->metadata);
    } else if (sniffed->kind != Kind::gif && sniffed->kind != Kind::bmp) {
        properties = MetadataIO::read(*bytes);
    }
    if (sniffed->kind == Kind::raw) {
        if (const auto raw = sniffed->raw ? sniffed->raw : RawDecoder::identify(*bytes)) {
            state->count = 1;
            properties.pixelWidth = raw->width;
            properties.pixelHeight = raw->height;
            properties.colorModel = "RGB";
        }
    } else if (sniffed->kind == Kind::bmp) {
        const auto header = BmpDecoder::readHeader(*bytes);
        state->count = 1;
        properties.pixelWidth = header->width;
        properties.pixelHeight = header->height;
        properties.colorModel = "RGB";
    } else {
        try {
            const VImage header = loadWithVips(sniffed->kind, *bytes);
            state->count = header.get_typeof(VIPS_META_N_PAGES) != 0
                               ? std::max(1, header.get_int(VIPS_META_N_PAGES))
                               : 1;
            properties.pixelWidth = header.width();
            properties.pixelHeight = header.height();
            properties.colorModel = colorModelOf(header.guess_interpretation());
            if (!properties.dpiWidth && header.get_typeof("resolution-unit") != 0 && header.xres() > 0) {
                properties.dpiWidth = header.xres() * 25.4;
                properties.dpiHeight = header.yres() * 25.4;
            }
        } catch (const vips::VError&) {
            state->count = 0;
        }
        if (sniffed->kind == Kind::heif) {
            // The HEIF decoder applies the container's rotation and mirroring itself.
            properties.orientation = 1;
        }
    }
    return ImageSource(std::move(state));
}

int ImageSource::jpegShrink(std::optional<int> maxPixelSize) const {
    const int width = state_->properties.pixelWidth.value_or(0);
    const int height = state_->properties.pixelHeight.value_or(0);
    const int longSide = std::max(width, height);
    const int shortSide = std::min(width, height);
    if (!maxPixelSize || shortSide <= 0) {
        return 1;
    }
    // The loader rounds each side down, and a factor above the short side would leave it no pixel:
    // libvips then aborts the process rather than failing.
    for (const int shrink : {8, 4, 2}) {
        if (longSide / shrink >= *maxPixelSize && shrink <= shortSide) {
            return shrink;
        }
    }
    return 1;
}

std::optional<Bitmap> ImageSource::decode(std::optional<int> maxPixelSize, bool upright) const {
    if (state_->count == 0) {
        return std::nullopt;
    }
    const std::span<const std::uint8_t> bytes = *state_->bytes;
    if (state_->kind == Kind::jpeg && holdsTooFewBytes(bytes.size(), state_->properties) &&
        JpegDamage::found(bytes)) {
        return std::nullopt;
    }
    try {
        VImage image;
        switch (state_->kind) {
        case Kind::raw: {
            auto developed = RawDecoder::develop(bytes);
            if (!developed || !maxPixelSize) {
                return developed;
            }
            image = VipsRuntime::view(*developed);
            return VipsRuntime::toBitmap(
                resizedToFit(image.extract_band(0, VImage::option()->set("n", 3)), *maxPixelSize));
        }
        case Kind::bmp: {
            auto decoded = BmpDecoder::decode(bytes);
            if (!decoded || !maxPixelSize) {
                return decoded;
            }
            const Bitmap straight = *decoded;
            image = VipsRuntime::viewForEncoding(straight);
            return VipsRuntime::toBitmap(resizedToFit(image, *maxPixelSize));
        }
        default: {
            // JPEG decodes straight to a half, quarter or eighth of its size; the rest is resampled.
            const auto load = [&](VipsFailOn failOn) {
                return loadWithVips(state_->kind, bytes,
                                    state_->kind == Kind::jpeg
                                        ? VImage::option()->set("shrink", jpegShrink(maxPixelSize))
                                        : nullptr,
                                    VIPS_ACCESS_SEQUENTIAL, failOn);
            };
            // Read once from top to bottom, on this thread, into memory (see decodedHere): turning
            // the picture and the steps after it then read from memory. A damaged file stops at
            // the first damaged rows, before most of the memory is touched.
            try {
                image = VipsRuntime::decodedHere(load(strictest(state_->kind)));
            } catch (const vips::VError&) {
                // libjpeg warns of damage and of harmless oddities alike (stray bytes before a
                // marker, written by many cameras): a file with such oddities is read again, a
                // clean one only once.
                if (state_->kind != Kind::jpeg || JpegDamage::found(bytes)) {
                    throw;
                }
                image = VipsRuntime::decodedHere(load(VIPS_FAIL_ON_TRUNCATED));
            }
            break;
        }
        }
        if (state_->kind == Kind::heif) {
            image = image.copy();
            image.remove(VIPS_META_ORIENTATION);
        }
        if (upright) {
            image = image.autorot();
        }
        if (maxPixelSize) {
            // Sized from the full picture, so that decoding at a reduced scale changes nothing.
            int width = state_->properties.pixelWidth.value_or(image.width());
            int height = state_->properties.pixelHeight.value_or(image.height());
            if ((image.width() > image.height()) != (width > height)) {
                std::swap(width, height);
            }
            const auto [targetWidth, targetHeight] = fittedSize(width, height, *maxPixelSize);
            if (targetWidth != image.width() || targetHeight != image.height()) {
                image = VipsRuntime::resizeExactly(image, targetWidth, targetHeight);
            }
        }
        return VipsRuntime::toBitmap(image);
    } catch (const vips::VError&) {
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    } catch (const std::invalid_argument&) {
        return std::nullopt;
    }
}

std::optional<LazyImage> ImageSource::createLazyImage() const {
    if (state_->count == 0) {
        return std::nullopt;
    }
    if (state_->kind == Kind::raw || state_->kind == Kind::bmp) {
        // Their decoders make the whole picture at once.
        const auto decoded = decode(std::nullopt, true);
        return decoded ? std::optional(LazyImage::fromBitmap(*decoded)) : std::nullopt;
    }
    // A few kilobytes claiming a huge picture would reserve all of its memory before the damage
    // shows: checked first, as the careful decoding does.
    if (state_->kind == Kind::jpeg && holdsTooFewBytes(state_->bytes->size(), state_->properties) &&
        JpegDamage::found(*state_->bytes)) {
        return std::nullopt;
    }
    try {
        // Anything the decoder complains of fails the reading, even what a careful decoding
        // forgives: a streamed picture can't be read again on the spot, so the caller decodes it
        // the careful way (createThumbnail) instead.
        VImage image = loadWithVips(state_->kind, *state_->bytes, nullptr, VIPS_ACCESS_SEQUENTIAL,
                                    VIPS_FAIL_ON_WARNING, state_->bytes);
        if (state_->kind == Kind::heif) {
            image = image.copy();
            image.remove(VIPS_META_ORIENTATION);
        }
        if (image.get_typeof(VIPS_META_ORIENTATION) != 0 && image.get_int(VIPS_META_ORIENTATION) != 1) {
            // Turning needs rows from everywhere in the picture: decoded into memory first.
            image = VipsRuntime::decodedHere(image).autorot();
        }
        VipsRuntime::Rgb8 converted = VipsRuntime::rgb8(image);
        std::optional<ColorProfile> profile;
        if (!converted.profile.isSrgb()) {
            profile = std::move(converted.profile);
        }
        return LazyImage(std::make_shared<const LazyImage::Impl>(LazyImage::Impl{
            .image = std::move(converted.image), .profile = std::move(profile), .keepAlive = {}}));
    } catch (const vips::VError&) {
        return std::nullopt;
    }
}

std::optional<Bitmap> ImageSource::createThumbnail(std::optional<int> maxPixelSize) const {
    return decode(maxPixelSize ? std::optional<int>(std::max(*maxPixelSize, 1)) : std::nullopt, true);
}

std::optional<Bitmap> ImageSource::createImage() const {
    return decode(std::nullopt, false);
}

} // namespace orvane
