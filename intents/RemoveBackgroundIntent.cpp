#include "intents/RemoveBackgroundIntent.h"

#include "core/background/BackgroundRemover.h"
#include "core/convert/Converter.h"

namespace orvane {

IntentFile RemoveBackgroundIntent::perform() const {
    const Bitmap decoded = decodedImage(image);
    const Bitmap cutout = BackgroundRemover::composite(decoded, orvane::backdrop(background));
    const ConvertFormat format = outputFormat();
    const std::string extension = fileExtension(format);
    return IntentFile{Converter::encode(cutout, {}, format, 0.92),
                      outputFileName(image, "-cutout." + extension),
                      UniformType::fromFilenameExtension(extension)};
}

} // namespace orvane
