#include "intents/EnhanceImageIntent.h"

#include "core/convert/Converter.h"
#include "core/enhance/Enhancer.h"

namespace orvane {

std::string EnhanceImageIntent::outputName() const {
    return outputFileName(image, "-enhanced." + std::string(fileExtension(outputFormat())));
}

IntentFile EnhanceImageIntent::perform(const Upscaler::ProgressHandler& progress, std::stop_token stop,
                                       ModelLibrary* library) const {
    const Bitmap decoded = decodedImage(image);
    const auto upscaler =
        (library != nullptr ? *library : ModelLibrary::shared()).upscaler(UpscaleModel::fast);
    const EnhanceOptions options{
        .autoLight = true, .reduceNoise = true, .sharpen = true, .aiDetail = true, .strength = 0.5};
    const Bitmap enhanced = Enhancer::enhance(decoded, options, upscaler.get(), progress, stop);
    const std::string extension = fileExtension(ConvertFormat::jpeg);
    return IntentFile{Converter::encode(enhanced, {}, ConvertFormat::jpeg, 0.92), outputName(),
                      UniformType::fromFilenameExtension(extension)};
}

} // namespace orvane
