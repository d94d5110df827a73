#include "core/convert/ConvertFormat.h"

#include <algorithm>
#include <cctype>

namespace orvane {

std::string title(ConvertFormat format) {
    switch (format) {
    case ConvertFormat::jpeg:
        return "JPG";
    case ConvertFormat::webp:
        return "WebP";
    default: {
        std::string name(rawValue(format));
        std::ranges::transform(name, name.begin(),
                               [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        return name;
    }
    }
}

std::string fileExtension(ConvertFormat format) {
    return format == ConvertFormat::jpeg ? "jpg" : std::string(rawValue(format));
}

bool isLossy(ConvertFormat format) {
    return format != ConvertFormat::png && format != ConvertFormat::tiff;
}

UniformType utType(ConvertFormat format) {
    switch (format) {
    case ConvertFormat::jpeg:
        return UniformType::jpeg();
    case ConvertFormat::png:
        return UniformType::png();
    case ConvertFormat::heic:
        return UniformType::heic();
    case ConvertFormat::avif:
        return UniformType::fromIdentifier("public.avif").value_or(UniformType::heic());
    case ConvertFormat::webp:
        return UniformType::webp();
    case ConvertFormat::tiff:
        return UniformType::tiff();
    }
    return UniformType::data();
}

} // namespace orvane
