#include "intents/EnlargeImageIntent.h"

#include "core/ImageFiles.h"
#include "core/Render.h"
#include "core/convert/Converter.h"
#include "core/upscale/DeviceLimits.h"
#include "intents/EnlargeIntentError.h"
#include "platform/application/SystemMemory.h"
#include "platform/image/ImageSource.h"

#include <algorithm>
#include <cmath>
#include <future>

namespace orvane {

namespace {

constexpr int maxTile = 256;

} // namespace

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
    // A file that is no image at all, or one too large for this device, is refused before the
    // network is asked for.
    if (const auto source = ImageSource::create(std::span<const std::uint8_t>(image.data)); !source) {
        throw EnlargeIntentError::unreadable();
    } else {
        ImageFiles::requireFitsDevice(*source);
    }
    // The network loads and makes its plan while the photo is decoded: each takes long enough for
    // the other to hide behind it. Errors keep their order: the photo's first, then the network's.
    ModelLibrary& models = library != nullptr ? *library : ModelLibrary::shared();
    auto network = std::async(std::launch::async, [&models, wanted = model(style)] {
        auto upscaler = models.upscaler(wanted);
        upscaler->prepare(maxTile);
        return upscaler;
    });
    std::shared_ptr<const Upscaler> upscaler;
    const Bitmap enlarged = [&] {
        const Bitmap decoded = decodedImage(image);
        // What decoding freed goes back before the enlargement takes the most memory.
        SystemMemory::releaseFreeMemory();
        upscaler = network.get();
        const double scale = scaleFor(decoded.width(), decoded.height(), factor(size),
                                      maxPixels.value_or(DeviceLimits::maxPixels()));
        // The enlargement is opaque: transparency shows white, as in a JPEG conversion.
        return upscaler->upscale(Render::flattenedOnWhite(decoded), scale, maxTile, progress, stop);
    }();
    // Memory is at its highest while the picture is encoded: the photo and what the network used
    // go back to the system first.
    upscaler->releaseWorkingMemory();

    const std::string extension = fileExtension(ConvertFormat::jpeg);
    return IntentFile{Converter::encode(enlarged, {}, ConvertFormat::jpeg, 0.92), outputName(),
                      UniformType::fromFilenameExtension(extension)};
}

} // namespace orvane
