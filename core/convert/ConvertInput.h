#pragma once

#include "platform/files/Bytes.h"

#include <filesystem>
#include <optional>
#include <string>
#include <variant>

namespace orvane {

// Where a conversion reads from: a file, or bytes with the type identifier of their format when
// it is known.
struct ConvertInputURL {
    std::filesystem::path url;
    friend bool operator==(const ConvertInputURL&, const ConvertInputURL&) = default;
};
struct ConvertInputData {
    SharedBytes data;
    std::optional<std::string> typeHint;
    friend bool operator==(const ConvertInputData& a, const ConvertInputData& b) {
        return a.typeHint == b.typeHint && (a.data == b.data || (a.data && b.data && *a.data == *b.data));
    }
};
using ConvertInput = std::variant<ConvertInputURL, ConvertInputData>;

} // namespace orvane
