#pragma once

#include "core/convert/ConvertResult.h"
#include "editor/TaskHandle.h"
#include "editor/Tool.h"
#include "platform/image/Bitmap.h"

#include <QString>
#include <optional>

namespace orvane {

// A job whose work is done and whose result is about to be published: everything that recording
// the job and preparing its export need.
struct FinishedRun {
    TaskHandle job;
    Tool tool = Tool::enlarge;
    Bitmap result;
    Bitmap preview;
    // The source image the run started from.
    Bitmap source;
    // Convert tool only.
    std::optional<ConvertResult> converted;
    // The extension, without the dot, of the convert options' format, whatever the tool.
    QString convertExtension;
    bool keepCaptureDate = true;
    std::optional<int> dpi = std::nullopt;
    QString label = {};
    double seconds = 0;
    bool hasAlpha = false;
};

} // namespace orvane
