#pragma once

#include "core/enhance/EnhanceOptions.h"
#include "core/upscale/ModelLibrary.h"
#include "core/upscale/Upscaler.h"
#include "platform/image/Bitmap.h"

#include <stop_token>

class QThreadPool;

namespace orvane {

// The threads for work the user is waiting for: tool runs and their previews. Above the gallery's
// background writes, and never fewer than two threads, so that a job waiting for a network load
// cannot hold up a job started after it.
QThreadPool& userInitiatedPool();

// The enhancement with the network's detail pass when the options ask for it (the `fast` style of
// `library`). Runs on the caller's thread; the library's and the enhancer's errors pass through,
// and a stop requested through `stop` ends it with Cancelled.
Bitmap enhanceWithDetail(const Bitmap& image, const EnhanceOptions& options,
                         const Upscaler::ProgressHandler& progress = {},
                         ModelLibrary& library = ModelLibrary::shared(), std::stop_token stop = {});

} // namespace orvane
