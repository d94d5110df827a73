#include "intents/RemoveBackgroundIntent.h"

#include "core/background/BackgroundRemover.h"
#include "core/convert/Converter.h"

namespace orvane {

std::string RemoveBackgroundIntent::outputName() const {
    return outputFileName(image, "-cutout." + std::string(fileExtension(outputFormat())));
}

IntentFile RemoveBackgroundIntent::perform() const {
    const Bitmap decoded = decodedImage(image);
    const Bitmap cutout = BackgroundRemover::composite(decoded, orvane::backdrop(background));
    const ConvertFormat format = outputFormat();
    const std::string extension = fileExtension(format);
    return IntentFile{Converter::encode(cutout, {}, format, 0.92), outputName(),
                      UniformType::fromFilenameExtension(extension)};
}

} // namespace orvane
