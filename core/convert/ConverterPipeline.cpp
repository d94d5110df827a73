#include "core/ImageFiles.h"
#include "core/Render.h"
#include "core/convert/ConvertError.h"
#include "core/convert/detail/ConverterSteps.h"
#include "platform/files/FileBytes.h"
#include "platform/filters/LazyImage.h"
#include "platform/image/RawDecoder.h"
#include "platform/image/UniformType.h"

#include <algorithm>
#include <fstream>
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
    if (const auto* data = std::get_if<ConvertInputData>(&input)) {
        return data->typeHint && namesRawType(UniformType::fromIdentifier(*data->typeHint));
    }
    const auto extension = std::get<ConvertInputURL>(input).url.extension().string();
    return !extension.empty() && namesRawType(UniformType::fromFilenameExtension(extension.substr(1)));
}

namespace {
Bitmap developRaw(const SharedBytes& bytes) {
    const auto developed = bytes ? RawDecoder::develop(*bytes) : std::nullopt;
    if (!developed) {
        throw ConvertError::unreadable();
    }
    return Render::cgImage(LazyImage::fromBitmap(*developed), false);
}
} // namespace

Bitmap decodeRaw(const ConvertInput& input) {
    const SharedBytes bytes = bytesOf(input);
    if (const auto header = bytes ? RawDecoder::identify(*bytes) : std::nullopt) {
        ImageFiles::requireFitsDevice(header->width, header->height);
    }
    return developRaw(bytes);
}

Decoded decode(const ConvertInput& input) {
    std::int64_t sourceBytes = 0;
    std::optional<ImageSource> source;
    if (const auto* url = std::get_if<ConvertInputURL>(&input)) {
        std::error_code error;
        const auto size = std::filesystem::file_size(url->url, error);
        sourceBytes = error ? 0 : static_cast<std::int64_t>(size);
        source = ImageSource::createFromFile(url->url);
    } else {
        const auto& data = std::get<ConvertInputData>(input);
        sourceBytes = data.data ? static_cast<std::int64_t>(data.data->size()) : 0;
        if (data.data) {
            source = ImageSource::create(data.data);
        }
    }
    if (!source || source->count() == 0) {
        throw ConvertError::unreadable();
    }
    ImageFiles::requireFitsDevice(*source);
    const ImageProperties& properties = source->properties();
    const bool raw = isRaw(input) || namesRawType(UniformType::fromIdentifier(source->typeIdentifier()));
    std::optional<Bitmap> image;
    if (raw) {
        image = developRaw(source->bytes());
    } else {
        const int longSide = std::max(properties.pixelWidth.value_or(0), properties.pixelHeight.value_or(0));
        image = source->createThumbnail(std::max(longSide, 1));
    }
    if (!image) {
        throw ConvertError::unreadable();
    }
    return Decoded{*image, properties, captureDate(properties), sourceBytes};
}

Bitmap flattenOnWhite(const Bitmap& image) {
    try {
        return LazyImage::fromBitmap(image).flattened(255, 255, 255).render(AlphaInfo::noneSkipLast);
    } catch (const std::exception&) {
        return image;
    }
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
