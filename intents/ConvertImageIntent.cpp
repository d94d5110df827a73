#include "intents/ConvertImageIntent.h"

#include "core/convert/ConvertError.h"
#include "core/convert/Converter.h"
#include "intents/EnlargeIntentError.h"

namespace orvane {

std::string ConvertImageIntent::outputName() const {
    return outputFileName(image, "." + std::string(fileExtension(outputFormat())));
}

IntentFile ConvertImageIntent::perform() const {
    ConvertOptions options;
    options.format = outputFormat();
    options.quality = 0.85;
    options.maxKB = maxKB;
    options.maxLongEdge = std::nullopt;
    options.metadata = removeLocation ? MetadataPolicy::removeLocation : MetadataPolicy::keep;
    options.keepCaptureDate = true;
    options.neverLarger = false;

    // The converter reads the bytes only while it runs and keeps nothing of them: they are lent,
    // not copied (a pointer that owns nothing).
    const ConvertInput input =
        ConvertInputData{SharedBytes(SharedBytes(), &image.data),
                         image.type ? std::optional<std::string>(image.type->identifier()) : std::nullopt};
    ConvertResult result;
    try {
        result = Converter::convert(input, options);
    } catch (const ConvertError& error) {
        if (error.errorCase() == ConvertError::Case::unreadable) {
            throw EnlargeIntentError::unreadable();
        }
        throw;
    }
    const std::string extension = fileExtension(options.format);
    return IntentFile{std::move(result.data), outputName(), UniformType::fromFilenameExtension(extension),
                      options.keepCaptureDate ? result.captureDate : std::nullopt};
}

} // namespace orvane
