#include "intents/EnlargeImageIntent.h"

#include "core/Render.h"
#include "core/convert/Converter.h"
#include "core/upscale/DeviceLimits.h"

#include <algorithm>
#include <cmath>

namespace orvane {

double EnlargeImageIntent::scaleFor(std::int64_t width, std::int64_t height, double requested,
                                    std::int64_t maxPixels) {
    const double budget = std::sqrt(static_cast<double>(maxPixels) /
                                    (static_cast<double>(width) * static_cast<double>(height)));
    return std::min(budget, requested);
}

std::string EnlargeImageIntent::outputName() const {
    std::string word(rawValue(size));
    std::erase(word, 'x');
    return outputFileName(image, "-" + word + "x." + std::string(fileExtension(outputFormat())));
}

IntentFile EnlargeImageIntent::perform(const Upscaler::ProgressHandler& progress, std::stop_token stop,
                                       ModelLibrary* library, std::optional<std::int64_t> maxPixels) const {
    const Bitmap decoded = decodedImage(image);
    const auto upscaler = (library != nullptr ? *library : ModelLibrary::shared()).upscaler(model(style));
    const double scale = scaleFor(decoded.width(), decoded.height(), factor(size),
                                  maxPixels.value_or(DeviceLimits::maxPixels()));
    // The enlargement is opaque: transparency shows white, as in a JPEG conversion.
    const Bitmap enlarged = upscaler->upscale(Render::flattenedOnWhite(decoded), scale, 256, progress, stop);

    const std::string extension = fileExtension(ConvertFormat::jpeg);
    return IntentFile{Converter::encode(enlarged, {}, ConvertFormat::jpeg, 0.92), outputName(),
                      UniformType::fromFilenameExtension(extension)};
}

} // namespace orvane
