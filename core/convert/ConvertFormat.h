#pragma once

#include "core/RawRepresentable.h"
#include "platform/image/UniformType.h"

#include <string>

namespace orvane {

// The converter's output formats. `tiff` is for library callers only: no screen or action offers it.
enum class ConvertFormat { jpeg, png, heic, avif, webp, tiff };

template <> struct RawValues<ConvertFormat> {
    static constexpr std::array<std::pair<ConvertFormat, std::string_view>, 6> table{{
        {ConvertFormat::jpeg, "jpeg"},
        {ConvertFormat::png, "png"},
        {ConvertFormat::heic, "heic"},
        {ConvertFormat::avif, "avif"},
        {ConvertFormat::webp, "webp"},
        {ConvertFormat::tiff, "tiff"},
    }};
};

// The display name: "JPG", "PNG", "HEIC", "AVIF", "WebP", "TIFF".
std::string title(ConvertFormat format);
// "jpg" for jpeg, the raw value otherwise.
std::string fileExtension(ConvertFormat format);
// Whether a compression quality applies (and is searched when a size target is set).
bool isLossy(ConvertFormat format);
UniformType utType(ConvertFormat format);

} // namespace orvane
