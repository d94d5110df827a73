#include "core/ImageFiles.h"
#include "core/Render.h"
#include "core/convert/ConvertError.h"
#include "core/convert/detail/ConverterSteps.h"
#include "platform/files/AtomicFile.h"
#include "platform/files/FileBytes.h"
#include "platform/files/FileError.h"
#include "platform/image/ImageDestination.h"
#include "platform/image/ImageSizeError.h"
#include "platform/image/UniformType.h"
#include "platform/image/WebPEncoder.h"

#include <algorithm>
#include <limits>
#include <system_error>

namespace orvane::Converter {

namespace {

SharedBytes readFile(const std::filesystem::path& path) {
    auto bytes = FileBytes::read(path);
    return bytes ? std::make_shared<const Bytes>(std::move(*bytes)) : nullptr;
}

SharedBytes bytesOf(const ConvertInput& input) {
    if (const auto* data = std::get_if<ConvertInputData>(&input)) {
        return data->data;
    }
    return readFile(std::get<ConvertInputURL>(input).url);
}

bool namesRawType(const std::optional<UniformType>& type) {
    return type && type->conforms(UniformType::rawImage());
}

std::optional<std::string> typeHintOf(const ConvertInput& input) {
    if (const auto* data = std::get_if<ConvertInputData>(&input)) {
        return data->typeHint;
    }
    const auto extension = std::get<ConvertInputURL>(input).url.extension().string();
    const auto type =
        extension.empty() ? std::nullopt : UniformType::fromFilenameExtension(extension.substr(1));
    return type ? std::optional(type->identifier()) : std::nullopt;
}

std::optional<ImageSource> sourceOf(const ConvertInput& input, const std::optional<std::string>& typeHint) {
    const SharedBytes bytes = bytesOf(input);
    return bytes ? ImageSource::create(bytes, typeHint) : std::nullopt;
}

// The one decoding of every image the converter reads, camera RAW included.
Bitmap decoded(const ImageSource& source) {
    try {
        return ImageFiles::decode(source, std::nullopt);
    } catch (const FileError& error) {
        if (error.code() == FileError::Code::fileReadTooLarge) {
            throw;
        }
        throw ConvertError::unreadable();
    }
}

std::optional<std::int64_t> budgetFor(const ConvertOptions& options, std::int64_t sourceBytes) {
    std::optional<std::int64_t> budget;
    if (options.maxKB) {
        if (*options.maxKB > std::numeric_limits<std::int64_t>::max() / 1000 ||
            *options.maxKB < std::numeric_limits<std::int64_t>::min() / 1000) {
            throw ConvertRequestError::sizeLimitTooLarge();
        }
        budget = *options.maxKB * 1000;
        if (options.neverLarger && sourceBytes >= 1) {
            budget = std::min(*budget, sourceBytes);
        }
    } else if (options.neverLarger && sourceBytes >= 1) {
        budget = sourceBytes;
    }
    return budget;
}

} // namespace

bool hasAlpha(const Bitmap& image) {
    return hasAlphaChannel(image.alphaInfo());
}

bool isRaw(const ConvertInput& input) {
    const auto hint = typeHintOf(input);
    return hint && namesRawType(UniformType::fromIdentifier(*hint));
}

Bitmap decodeRaw(const ConvertInput& input) {
    // The caller knows the file for camera RAW even when its name does not say so.
    const auto source = sourceOf(input, isRaw(input) ? typeHintOf(input) : "public.camera-raw-image");
    if (!source || !source->isCameraRaw()) {
        throw ConvertError::unreadable();
    }
    return decoded(*source);
}

namespace {

struct Opened {
    ImageSource source;
    std::int64_t sourceBytes = 0;
};

Opened open(const ConvertInput& input) {
    std::int64_t sourceBytes = 0;
    if (const auto* url = std::get_if<ConvertInputURL>(&input)) {
        std::error_code error;
        const auto size = std::filesystem::file_size(url->url, error);
        sourceBytes = error ? 0 : static_cast<std::int64_t>(size);
    } else {
        const auto& data = std::get<ConvertInputData>(input);
        sourceBytes = data.data ? static_cast<std::int64_t>(data.data->size()) : 0;
    }
    auto source = sourceOf(input, typeHintOf(input));
    if (!source || source->count() == 0) {
        throw ConvertError::unreadable();
    }
    return {std::move(*source), sourceBytes};
}

} // namespace

Decoded decode(const ConvertInput& input) {
    const Opened opened = open(input);
    const ImageProperties& properties = opened.source.properties();
    return Decoded{decoded(opened.source), properties, captureDate(properties), opened.sourceBytes};
}

Bitmap flattenOnWhite(const Bitmap& image) {
    try {
        return Render::flattenedOnWhite(image);
    } catch (const std::exception&) {
        return image;
    }
}

LazyImage flattenOnWhite(const LazyImage& image) {
    return image.flattened(255, 255, 255);
}

Bytes encodeWebP(const Bitmap& image, double quality) {
    try {
        return WebPEncoder::encode(image, quality);
    } catch (const ImageSizeError& error) {
        throw ConvertRequestError::imageTooLarge(title(ConvertFormat::webp), error.largestSide());
    } catch (const FileError&) {
        throw ConvertError::encodeFailed(title(ConvertFormat::webp));
    }
}

namespace {
template <class Image, class... Options>
Bytes encodeAny(const Image& image, const ImageProperties& properties, ConvertFormat format, double quality,
                Options... options) {
    try {
        return ImageDestination::encode(image, utType(format).identifier(), properties,
                                        isLossy(format) ? std::optional<double>(quality) : std::nullopt,
                                        options...);
    } catch (const ImageSizeError& error) {
        throw ConvertRequestError::imageTooLarge(title(format), error.largestSide());
    } catch (const FileError&) {
        throw ConvertError::encodeFailed(title(format));
    }
}
} // namespace

Bytes encode(const Bitmap& image, const ImageProperties& properties, ConvertFormat format, double quality) {
    if (format == ConvertFormat::webp) {
        return encodeWebP(image, quality);
    }
    return encodeAny(image, properties, format, quality);
}

Bytes encodeForSize(const Bitmap& image, const ImageProperties& properties, ConvertFormat format,
                    double quality) {
    if (format != ConvertFormat::jpeg) {
        return encode(image, properties, format, quality);
    }
    return encodeAny(image, properties, format, quality, ImageDestination::JpegTables::optimized);
}

namespace {
// The same, with the pixels computed as the encoder takes them in.
Bytes encodeLazily(const LazyImage& image, const ImageProperties& properties, ConvertFormat format,
                   double quality) {
    if (format == ConvertFormat::webp) {
        // libwebp's simple interface takes the whole picture.
        return encodeWebP(image.bitmap(), quality);
    }
    return encodeAny(image, properties, format, quality);
}
} // namespace

double encoderSetting(ConvertFormat format, double quality) {
    if (format == ConvertFormat::webp) {
        return WebPEncoder::qualityFactor(quality);
    }
    return ImageDestination::qualitySetting(utType(format).identifier(), quality).value_or(quality);
}

void write(const ConvertResult& result, const std::filesystem::path& url, bool keepCaptureDate) {
    AtomicFile::write(url, result.data, keepCaptureDate ? result.captureDate : std::nullopt);
}

namespace {

bool transparent(const Bitmap& image) {
    return hasAlpha(image);
}
bool transparent(const LazyImage& image) {
    return image.hasAlpha();
}
Bytes encodedBytes(const Bitmap& image, const ImageProperties& properties, ConvertFormat format,
                   double quality) {
    return encode(image, properties, format, quality);
}
Bytes encodedBytes(const LazyImage& image, const ImageProperties& properties, ConvertFormat format,
                   double quality) {
    return encodeLazily(image, properties, format, quality);
}

// The photo as it is encoded: its long edge limited, and laid over white for JPEG.
template <class Image> Image prepared(Image image, const ConvertOptions& options) {
    if (options.maxLongEdge && *options.maxLongEdge < std::max(image.width(), image.height())) {
        image = Render::downscaled(image, *options.maxLongEdge);
    }
    if (options.format == ConvertFormat::jpeg && transparent(image)) {
        image = flattenOnWhite(image);
    }
    return image;
}

struct Encoded {
    Bytes data;
    std::optional<double> quality;
    int width = 0;
    int height = 0;
};

// A budget needs the pixels many times over: they are computed once, and the search shares them.
Encoded encodedWithin(const Bitmap& image, const ImageProperties& properties, ConvertFormat format,
                      std::int64_t budget) {
    BudgetResult found = encodeWithinBudgetConcurrently(
        image, properties, format, budget,
        searchWorkers(static_cast<std::int64_t>(image.width()) * image.height()));
    return {std::move(found.data), found.quality, found.image.width(), found.image.height()};
}

template <class Image>
Encoded encodedOnce(const Image& image, const ImageProperties& properties, const ConvertOptions& options) {
    const bool lossy = isLossy(options.format);
    const double quality = lossy ? options.quality : 1.0;
    return {encodedBytes(image, properties, options.format, quality),
            lossy ? std::optional(quality) : std::nullopt, image.width(), image.height()};
}

// One pass from the file to the encoder: the picture is decoded as the encoder takes it in (or,
// for a budget, into memory once). None when that fails: a damaged file and a harmless oddity of
// the decoder both stop it, and the careful road tells them apart.
std::optional<Encoded> streamed(const ImageSource& source, const ImageProperties& properties,
                                const ConvertOptions& options, std::optional<std::int64_t> budget) {
    // A few bytes can declare a picture that would take the machine: refused from the header, as
    // the careful road does.
    ImageFiles::requireFitsDevice(source);
    const auto lazy = source.createLazyImage();
    if (!lazy) {
        return std::nullopt;
    }
    const LazyImage image = prepared(*lazy, options);
    std::optional<Bitmap> computed;
    try {
        if (!budget) {
            return encodedOnce(image, properties, options);
        }
        computed = image.bitmap();
    } catch (const ConvertRequestError&) {
        throw; // the image's size alone decides it
    } catch (const std::exception&) {
        return std::nullopt;
    }
    return encodedWithin(*computed, properties, options.format, *budget);
}

} // namespace

ConvertResult convert(const ConvertInput& input, const ConvertOptions& options) {
    const Opened opened = open(input);
    const ImageProperties& sourceProperties = opened.source.properties();
    const ImageProperties properties = filterMetadata(sourceProperties, options.metadata);
    const auto budget = budgetFor(options, opened.sourceBytes);

    std::optional<Encoded> encoded = streamed(opened.source, properties, options, budget);
    if (!encoded) {
        const Bitmap image = prepared(decoded(opened.source), options);
        encoded = budget ? encodedWithin(image, properties, options.format, *budget)
                         : encodedOnce(image, properties, options);
    }
    ConvertResult result;
    result.data = std::move(encoded->data);
    result.quality = encoded->quality;
    result.width = encoded->width;
    result.height = encoded->height;
    result.captureDate = captureDate(sourceProperties);
    result.sourceBytes = opened.sourceBytes;
    return result;
}

} // namespace orvane::Converter
