#pragma once

#include "core/convert/ConvertFormat.h"
#include "core/upscale/ModelLibrary.h"
#include "intents/EnlargeSizeOption.h"
#include "intents/IntentFile.h"
#include "intents/StyleOption.h"

#include <stop_token>

namespace orvane {

// "Enlarge Image": enlarges a photo with a super-resolution network and returns it as a JPEG.
struct EnlargeImageIntent {
    static constexpr const char* title = "Enlarge Image";

    IntentFile image;
    EnlargeSizeOption size = EnlargeSizeOption::x4;
    StyleOption style = StyleOption::photo;

    // The format of the file that `perform` returns.
    static ConvertFormat outputFormat() { return ConvertFormat::jpeg; }
    // The name of the file that `perform` returns, known from the image's name alone.
    std::string outputName() const;

    // `library` and `maxPixels` are the shared library and the device's budget unless a caller
    // (a test) supplies its own.
    IntentFile perform(const Upscaler::ProgressHandler& progress = {}, std::stop_token stop = {},
                       ModelLibrary* library = nullptr,
                       std::optional<std::int64_t> maxPixels = std::nullopt) const;

    // The factor actually used for an image of this size: the request, capped by the budget.
    static double scaleFor(std::int64_t width, std::int64_t height, double requested, std::int64_t maxPixels);
};

} // namespace orvane
