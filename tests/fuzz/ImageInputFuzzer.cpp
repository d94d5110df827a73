// Feeds untrusted bytes to the two ways an image file enters the library: loading it, and
// converting it. The first bytes of the input choose the conversion's options; the rest is the
// file. Refusing a file with an orvane::Error is the expected outcome for most inputs; anything
// else (a crash, a sanitizer report, a leak, a hang or any other exception) is a bug.

#include "core/ImageFiles.h"
#include "core/convert/Converter.h"
#include "platform/Error.h"
#include "platform/image/ImageSource.h"
#include "platform/image/RawDecoder.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>

namespace {

using namespace orvane;

constexpr std::size_t optionBytes = 4;

// Decoding a large but well-formed picture is slow, not wrong: a few hundred bytes of JPEG may
// declare a billion pixels, which the library accepts. Such inputs are only parsed, not decoded,
// so that the fuzzer spends its time on malformed files rather than on big ones.
constexpr std::int64_t mostPixelsDecoded = 512 * 512;

bool decodesSmall(std::int64_t width, std::int64_t height) {
    return width >= 0 && height >= 0 && width * height <= mostPixelsDecoded;
}

struct Options {
    ConvertOptions convert;
    std::optional<std::string> typeHint;
    std::optional<int> maxPixelSize;
};

// Byte 0: the format. Byte 1: which options are set. Byte 2: the size target. Byte 3: the long
// edge (and the load's pixel size), from -8 up, so that nonsense values are tried too.
Options optionsFrom(const std::uint8_t* header) {
    static constexpr ConvertFormat formats[] = {ConvertFormat::jpeg, ConvertFormat::png,
                                                ConvertFormat::heic, ConvertFormat::avif,
                                                ConvertFormat::webp, ConvertFormat::tiff};
    static constexpr MetadataPolicy policies[] = {MetadataPolicy::keep, MetadataPolicy::removeLocation,
                                                  MetadataPolicy::removeAll, MetadataPolicy::keep};
    static constexpr double qualities[] = {0.85, 0.0, 1.0, 0.4};
    const std::uint8_t flags = header[1];
    const int edge = static_cast<int>(header[3]) - 8;
    Options options;
    options.convert.format = formats[header[0] % 6];
    if (flags & 0x01) {
        const std::uint8_t kb = header[2];
        options.convert.maxKB = kb < 240    ? kb / 4
                                : kb == 255 ? std::numeric_limits<long long>::max()
                                : kb == 254 ? -1
                                            : 1000;
    }
    if (flags & 0x02) {
        options.convert.maxLongEdge = edge;
    }
    options.convert.metadata = policies[(flags >> 2) & 3];
    options.convert.neverLarger = (flags & 0x10) != 0;
    if (flags & 0x20) {
        options.typeHint = "com.adobe.raw-image";
    }
    if (flags & 0x40) {
        options.maxPixelSize = edge;
    }
    options.convert.quality = qualities[(header[0] / 6) % 4];
    return options;
}

// Whether decoding the file stays within the size the fuzzer decodes.
bool smallEnough(const SharedBytes& bytes, bool rawHint) {
    if (const auto source = ImageSource::create(bytes)) {
        const ImageProperties& properties = source->properties();
        if (!decodesSmall(properties.pixelWidth.value_or(0), properties.pixelHeight.value_or(0))) {
            return false;
        }
    }
    if (rawHint) {
        if (const auto raw = RawDecoder::identify(*bytes); raw && !decodesSmall(raw->width, raw->height)) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < optionBytes) {
        return 0;
    }
    const Options options = optionsFrom(data);
    const auto bytes = std::make_shared<const Bytes>(data + optionBytes, data + size);
    if (!smallEnough(bytes, options.typeHint.has_value())) {
        return 0;
    }
    try {
        ImageFiles::loadFromData(std::span<const std::uint8_t>(*bytes), options.maxPixelSize);
    } catch (const Error&) {
    }
    try {
        Converter::convert(ConvertInputData{bytes, options.typeHint}, options.convert);
    } catch (const Error&) {
    }
    return 0;
}
