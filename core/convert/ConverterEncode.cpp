#include "core/convert/ConvertError.h"
#include "core/convert/ConverterSteps.h"
#include "platform/AtomicFile.h"
#include "platform/FileError.h"
#include "platform/ImageDestination.h"

#include <fcntl.h>
#include <sys/stat.h>

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
    AtomicFile::write(url, result.data);
    if (keepCaptureDate && result.captureDate) {
        // Linux keeps no settable creation date; the modification date (and access date) carry it.
        const auto sinceEpoch = result.captureDate->time_since_epoch();
        const auto seconds = std::chrono::floor<std::chrono::seconds>(sinceEpoch);
        const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch - seconds);
        const timespec times[2] = {{seconds.count(), nanoseconds.count()},
                                   {seconds.count(), nanoseconds.count()}};
        ::utimensat(AT_FDCWD, url.c_str(), times, 0);
    }
}

} // namespace orvane::Converter
