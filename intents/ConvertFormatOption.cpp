#include "intents/ConvertFormatOption.h"

namespace orvane {

std::string typeDisplayName(ConvertFormatOption) {
    return "Format";
}

std::string displayText(ConvertFormatOption option) {
    switch (option) {
    case ConvertFormatOption::jpg:
        return "JPG";
    case ConvertFormatOption::png:
        return "PNG";
    case ConvertFormatOption::heic:
        return "HEIC";
    case ConvertFormatOption::webp:
        return "WebP";
    case ConvertFormatOption::avif:
        return "AVIF";
    }
    return {};
}

ConvertFormat format(ConvertFormatOption option) {
    switch (option) {
    case ConvertFormatOption::jpg:
        return ConvertFormat::jpeg;
    case ConvertFormatOption::png:
        return ConvertFormat::png;
    case ConvertFormatOption::heic:
        return ConvertFormat::heic;
    case ConvertFormatOption::webp:
        return ConvertFormat::webp;
    case ConvertFormatOption::avif:
        return ConvertFormat::avif;
    }
    return ConvertFormat::jpeg;
}

} // namespace orvane
