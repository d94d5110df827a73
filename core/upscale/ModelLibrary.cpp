#include "core/upscale/ModelLibrary.h"

#include "core/UpscaleError.h"
#include "platform/application/ApplicationResources.h"

#include <thread>

namespace orvane {

namespace fs = std::filesystem;

ModelLibrary& ModelLibrary::shared() {
    static ModelLibrary library;
    return library;
}

ModelLibrary::ModelLibrary(std::optional<fs::path> resources)
    : resources_(resources ? std::move(resources) : ApplicationResources::modelsFolder())
    , loader_(&Upscaler::load) {}

std::vector<fs::path> ModelLibrary::extraDirectories() const {
    const std::lock_guard lock(mutex_);
    return extraDirectories_;
}

void ModelLibrary::setExtraDirectories(std::vector<fs::path> folders) {
    const std::lock_guard lock(mutex_);
    extraDirectories_ = std::move(folders);
}

void ModelLibrary::setLoader(Loader loader) {
    const std::lock_guard lock(mutex_);
    loader_ = std::move(loader);
}

std::optional<fs::path> ModelLibrary::locate(UpscaleModel model) const {
    const std::string name(rawValue(model));
    std::error_code error;
    if (resources_) {
        const fs::path bundled = *resources_ / (name + ".mlmodelc");
        if (fs::exists(bundled, error)) {
            return bundled;
        }
    }
    for (const fs::path& folder : extraDirectories()) {
        for (const char* extension : {".mlmodelc", ".mlpackage"}) {
            const fs::path candidate = folder / (name + extension);
            if (fs::exists(candidate, error)) {
                return candidate;
            }
        }
    }
    return std::nullopt;
}

bool ModelLibrary::isInstalled(UpscaleModel model) const {
    return locate(model).has_value();
}

std::shared_ptr<const Upscaler> ModelLibrary::upscaler(UpscaleModel model) {
    std::shared_future<std::shared_ptr<const Upscaler>> load;
    bool started = false;
    {
        std::unique_lock lock(mutex_);
        if (const auto cached = cache_.find(model); cached != cache_.end()) {
            return cached->second;
        }
        if (const auto running = loading_.find(model); running != loading_.end()) {
            load = running->second;
        } else {
            lock.unlock();
            const auto url = locate(model);
            lock.lock();
            if (!url) {
                throw UpscaleError::badModel(std::string(rawValue(model)) + " is not installed");
            }
            // Another caller may have started the same load while we looked.
            if (const auto cached = cache_.find(model); cached != cache_.end()) {
                return cached->second;
            }
            if (const auto running = loading_.find(model); running != loading_.end()) {
                load = running->second;
            } else {
                // The load runs on a thread of its own, outside the lock, so other styles can be
                // asked for meanwhile; it finishes even when nobody waits for it any more.
                std::packaged_task<std::shared_ptr<const Upscaler>()> task(
                    [loader = loader_, url = *url] { return loader(url); });
                load = task.get_future().share();
                loading_.emplace(model, load);
                std::thread(std::move(task)).detach();
                started = true;
            }
        }
    }
    try {
        auto upscaler = load.get();
        if (started) {
            const std::lock_guard lock(mutex_);
            cache_.emplace(model, upscaler);
            loading_.erase(model);
        }
        return upscaler;
    } catch (...) {
        if (started) {
            const std::lock_guard lock(mutex_);
            loading_.erase(model);
        }
        throw;
    }
}

} // namespace orvane
