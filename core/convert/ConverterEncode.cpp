#include "core/convert/ConvertError.h"
#include "core/convert/detail/ConverterSteps.h"
#include "platform/files/AtomicFile.h"
#include "platform/files/FileError.h"
#include "platform/image/ImageDestination.h"
#include "platform/image/WebPEncoder.h"

namespace orvane::Converter {

Bytes encodeWebP(const Bitmap& image, double quality) {
    if (!WebPEncoder::takesWidth(image.width())) {
        throw ConvertRequestError::imageTooLarge("WebP");
    }
    try {
        return WebPEncoder::encode(image, quality);
    } catch (const FileError&) {
        throw ConvertError::encodeFailed("WebP");
    }
}

Bytes encode(const Bitmap& image, const ImageProperties& properties, ConvertFormat format, double quality) {
    if (format == ConvertFormat::webp) {
        return encodeWebP(image, quality);
    }
    try {
        return ImageDestination::encode(image, utType(format).identifier(), properties,
                                        isLossy(format) ? std::optional<double>(quality) : std::nullopt);
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

} // namespace orvane::Converter
