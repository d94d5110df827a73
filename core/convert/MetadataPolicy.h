#pragma once

#include "core/RawRepresentable.h"

namespace orvane {

// What happens to the source's metadata on output.
enum class MetadataPolicy { keep, removeLocation, removeAll };

template <> struct RawValues<MetadataPolicy> {
    static constexpr std::array<std::pair<MetadataPolicy, std::string_view>, 3> table{{
        {MetadataPolicy::keep, "keep"},
        {MetadataPolicy::removeLocation, "removeLocation"},
        {MetadataPolicy::removeAll, "removeAll"},
    }};
};

} // namespace orvane
