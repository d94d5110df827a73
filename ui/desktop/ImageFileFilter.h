#pragma once

#include <QString>

namespace orvane {

// The open panels' filter: every file-name extension of the image types the library reads,
// camera RAW included.
QString imageFileFilter();

} // namespace orvane
