#pragma once

#include <QString>

namespace orvane::test {

// Saves the compare view, the result card and the batch sheet in the states worth looking at, in
// the current palette, as PNGs named "<prefix>-<state>.png" in `folder`:
// compare-fit, compare-zoomed (a transparent result over the checkerboard, at fit and zoomed 2.5×
// and panned), result-preparing, result-ready, batch-running, batch-finished-failures.
void saveResultScreenshots(const QString& folder, const QString& prefix);

} // namespace orvane::test
