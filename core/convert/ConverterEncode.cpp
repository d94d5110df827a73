#include "core/convert/ConvertError.h"
#include "core/convert/detail/ConverterSteps.h"
#include "platform/files/AtomicFile.h"
#include "platform/files/FileError.h"
#include "platform/image/ImageDestination.h"

namespace orvane::Converter {

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
        return webpQualityFactor(quality);
    }
    return ImageDestination::qualitySetting(utType(format).identifier(), quality).value_or(quality);
}

void write(const ConvertResult& result, const std::filesystem::path& url, bool keepCaptureDate) {
    AtomicFile::write(url, result.data, keepCaptureDate ? result.captureDate : std::nullopt);
}

} // namespace orvane::Converter
