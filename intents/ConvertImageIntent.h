#pragma once

#include "intents/ConvertFormatOption.h"
#include "intents/IntentFile.h"

#include <optional>

namespace orvane {

// "Convert Image": converts a file to another format, optionally under a size limit, with or
// without its location data. Writes nothing; returns the converted file.
struct ConvertImageIntent {
    static constexpr const char* title = "Convert Image";
    static constexpr long long minimumKB = 10;
    static constexpr long long maximumKB = 50000;

    IntentFile image;
    ConvertFormatOption format = ConvertFormatOption::jpg;
    std::optional<long long> maxKB;
    bool removeLocation = true;

    // The format of the file that `perform` returns.
    ConvertFormat outputFormat() const { return orvane::format(format); }
    // The name of the file that `perform` returns, known from the image's name alone.
    std::string outputName() const;

    IntentFile perform() const;
};

} // namespace orvane
