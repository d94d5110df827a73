#pragma once

#include <filesystem>

namespace orvane::test {

// Writes the tool panel and each options panel, in the states worth looking at, as PNG files
// named "panel-<state>-<light|dark>.png" into `folder`: once in the application's palette and
// once in a dark Fusion palette, which is restored afterwards.
void writePanelScreenshots(const std::filesystem::path& folder);

} // namespace orvane::test
