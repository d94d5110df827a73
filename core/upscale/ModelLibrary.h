#pragma once

#include "core/upscale/UpscaleModel.h"
#include "core/upscale/Upscaler.h"

#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace orvane {

// Finds, loads and keeps the network of every style. Each network is loaded at most once at a
// time; callers that ask while it loads wait for the same load, and a loaded network is kept for
// the rest of the run. A failed load is not kept: the next request tries again.
class ModelLibrary {
public:
    // The one library of the process.
    static ModelLibrary& shared();

    // `resources` is where the application's compiled networks live; by default the installed
    // networks folder.
    explicit ModelLibrary(std::optional<std::filesystem::path> resources = std::nullopt);

    std::vector<std::filesystem::path> extraDirectories() const;
    void setExtraDirectories(std::vector<std::filesystem::path> folders);

    std::optional<std::filesystem::path> locate(UpscaleModel model) const;
    bool isInstalled(UpscaleModel model) const;

    // Throws UpscaleError::badModel when the network is not installed, or the load's own error.
    std::shared_ptr<const Upscaler> upscaler(UpscaleModel model);

    // How a located network becomes an upscaler; replaceable for tests.
    using Loader = std::function<std::shared_ptr<const Upscaler>(const std::filesystem::path&)>;
    void setLoader(Loader loader);

private:
    std::optional<std::filesystem::path> resources_;
    mutable std::mutex mutex_;
    std::map<UpscaleModel, std::shared_ptr<const Upscaler>> cache_;
    std::map<UpscaleModel, std::shared_future<std::shared_ptr<const Upscaler>>> loading_;
    std::vector<std::filesystem::path> extraDirectories_;
    Loader loader_;
};

} // namespace orvane
