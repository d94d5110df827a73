#pragma once

#include <filesystem>

namespace orvane::test {

// Writes the tool panel and each options panel, in the states worth looking at, as PNG files
// named "panel-<state>-<light|dark>.png" into `folder`, in the screenshots' light and dark look.
void writePanelScreenshots(const std::filesystem::path& folder);

} // namespace orvane::test
