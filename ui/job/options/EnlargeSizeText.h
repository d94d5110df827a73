#pragma once

#include "editor/EditorModel.h"

#include <QString>

// The texts the enlarge options show about a planned size.
namespace orvane::EnlargeSizeText {

// A factor chip's title: 2 reads "2×".
QString factorTitle(double factor);
// An enlargement factor with two significant digits: 4 reads "4×", 4.7297 "4.7×", 12 "12×".
QString scaleText(double scale);
// "1000 × 1500  →  2480 × 3720": the photo's size, then the planned size.
QString sizeChange(int width, int height, const EditorModel::SizePlan& plan);
// "9.2 MP · 2.5× enlargement", then " · 300 dpi" for a print target and " · capped for this
// device's memory" when the device's limit lowered the factor.
QString details(const EditorModel::SizePlan& plan, bool forPrint);

} // namespace orvane::EnlargeSizeText
