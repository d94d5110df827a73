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

Decoded decode(const ConvertInput& input) {
    std::int64_t sourceBytes = 0;
    if (const auto* url = std::get_if<ConvertInputURL>(&input)) {
        std::error_code error;
        const auto size = std::filesystem::file_size(url->url, error);
        sourceBytes = error ? 0 : static_cast<std::int64_t>(size);
    } else {
        const auto& data = std::get<ConvertInputData>(input);
        sourceBytes = data.data ? static_cast<std::int64_t>(data.data->size()) : 0;
    }
    const auto source = sourceOf(input, typeHintOf(input));
    if (!source || source->count() == 0) {
        throw ConvertError::unreadable();
    }
    const ImageProperties& properties = source->properties();
    return Decoded{decoded(*source), properties, captureDate(properties), sourceBytes};
}

Bitmap flattenOnWhite(const Bitmap& image) {
    try {
        return Render::flattenedOnWhite(image);
    } catch (const std::exception&) {
        return image;
    }
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

Bytes encode(const Bitmap& image, const ImageProperties& properties, ConvertFormat format, double quality) {
    if (format == ConvertFormat::webp) {
        return encodeWebP(image, quality);
    }
    try {
        return ImageDestination::encode(image, utType(format).identifier(), properties,
                                        isLossy(format) ? std::optional<double>(quality) : std::nullopt);
    } catch (const ImageSizeError& error) {
        throw ConvertRequestError::imageTooLarge(title(format), error.largestSide());
    } catch (const FileError&) {
        throw ConvertError::encodeFailed(title(format));
    }
}

double encoderSetting(ConvertFormat format, double quality) {
    if (format == ConvertFormat::webp) {
        return WebPEncoder::qualityFactor(quality);
    }
    return ImageDestination::qualitySetting(utType(format).identifier(), quality).value_or(quality);
}

void write(const ConvertResult& result, const std::filesystem::path& url, bool keepCaptureDate) {
    AtomicFile::write(url, result.data, keepCaptureDate ? result.captureDate : std::nullopt);
}

ConvertResult convert(const ConvertInput& input, const ConvertOptions& options) {
    const Decoded decoded = decode(input);
    Bitmap image = decoded.image;
    if (options.maxLongEdge && *options.maxLongEdge < std::max(image.width(), image.height())) {
        image = Render::downscaled(image, *options.maxLongEdge);
    }
    if (options.format == ConvertFormat::jpeg && hasAlpha(image)) {
        image = flattenOnWhite(image);
    }
    const ImageProperties properties = filterMetadata(decoded.properties, options.metadata);
    const auto budget = budgetFor(options, decoded.sourceBytes);

    ConvertResult result;
    if (budget) {
        BudgetResult found = encodeWithinBudgetConcurrently(
            image, properties, options.format, *budget,
            searchWorkers(static_cast<std::int64_t>(image.width()) * image.height()));
        result.data = std::move(found.data);
        result.quality = found.quality;
        image = found.image;
    } else {
        const double quality = isLossy(options.format) ? options.quality : 1.0;
        result.data = encode(image, properties, options.format, quality);
        if (isLossy(options.format)) {
            result.quality = quality;
        }
    }
    result.width = image.width();
    result.height = image.height();
    result.captureDate = decoded.captureDate;
    result.sourceBytes = decoded.sourceBytes;
    return result;
}

} // namespace orvane::Converter
