#pragma once

#include "core/RawRepresentable.h"

#include <string_view>

namespace orvane {

// The formats in which the results of the enlarge, background and enhance tools are exported.
enum class ExportFormat { jpeg, png, heic };

template <> struct RawValues<ExportFormat> {
    static constexpr std::array<std::pair<ExportFormat, std::string_view>, 3> table{{
        {ExportFormat::jpeg, "jpeg"},
        {ExportFormat::png, "png"},
        {ExportFormat::heic, "heic"},
    }};
};

// "jpg" for jpeg, the raw value otherwise.
constexpr std::string_view fileExtension(ExportFormat format) {
    return format == ExportFormat::jpeg ? std::string_view("jpg") : rawValue(format);
}

} // namespace orvane
