#pragma once

#include "core/RawRepresentable.h"

#include <QString>

namespace orvane {

// The editor's tools, in the order of the tool tabs.
enum class Tool { enlarge, background, enhance, convert };

template <> struct RawValues<Tool> {
    static constexpr std::array<std::pair<Tool, std::string_view>, 4> table{{
        {Tool::enlarge, "enlarge"},
        {Tool::background, "background"},
        {Tool::enhance, "enhance"},
        {Tool::convert, "convert"},
    }};
};

// Shared by the tool tabs, the run bar and the recorded jobs, so that a tool reads the same
// everywhere.
QString title(Tool tool);
// A system symbol name.
QString symbol(Tool tool);

} // namespace orvane
