#include "editor/ToolWork.h"

#include "core/enhance/Enhancer.h"

#include <QThread>
#include <QThreadPool>
#include <algorithm>

namespace orvane {

namespace {

struct UserInitiatedPool : QThreadPool {
    UserInitiatedPool() {
        setThreadPriority(QThread::NormalPriority);
        setMaxThreadCount(std::max(QThread::idealThreadCount(), 2));
    }
};

Q_GLOBAL_STATIC(UserInitiatedPool, pool)

} // namespace

QThreadPool& userInitiatedPool() {
    return *pool();
}

Bitmap enhanceWithDetail(const Bitmap& image, const EnhanceOptions& options,
                         const Upscaler::ProgressHandler& progress, ModelLibrary& library,
                         std::stop_token stop) {
    std::shared_ptr<const Upscaler> upscaler;
    if (options.aiDetail) {
        upscaler = library.upscaler(UpscaleModel::fast);
    }
    return Enhancer::enhance(image, options, upscaler.get(), progress, std::move(stop));
}

} // namespace orvane
