#pragma once

#include "core/convert/ConvertFormat.h"
#include "core/upscale/ModelLibrary.h"
#include "intents/IntentFile.h"

#include <stop_token>

namespace orvane {

// "Enhance Image": the enhancer's full treatment, detail pass included, as a JPEG.
struct EnhanceImageIntent {
    static constexpr const char* title = "Enhance Image";

    IntentFile image;

    // The format of the file that `perform` returns.
    static ConvertFormat outputFormat() { return ConvertFormat::jpeg; }
    // The name of the file that `perform` returns, known from the image's name alone.
    std::string outputName() const;

    // `library` is the shared one unless a caller (a test) supplies its own.
    IntentFile perform(const Upscaler::ProgressHandler& progress = {}, std::stop_token stop = {},
                       ModelLibrary* library = nullptr) const;
};

} // namespace orvane
