#pragma once

#include "core/convert/ConvertFormat.h"
#include "intents/BackgroundOption.h"
#include "intents/IntentFile.h"

namespace orvane {

// "Remove Background": cuts the subject out onto transparency, white or a blur of the photo.
// The background has no default: the user always chooses one.
struct RemoveBackgroundIntent {
    static constexpr const char* title = "Remove Background";

    IntentFile image;
    BackgroundOption background = BackgroundOption::none;

    // The format of the file that `perform` returns: PNG exactly when the result is transparent.
    ConvertFormat outputFormat() const {
        return background == BackgroundOption::none ? ConvertFormat::png : ConvertFormat::jpeg;
    }

    // The name of the file that `perform` returns, known from the image's name alone.
    std::string outputName() const;
    IntentFile perform() const;
};

} // namespace orvane
