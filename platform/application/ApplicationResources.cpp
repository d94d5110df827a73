#include "platform/application/ApplicationResources.h"

namespace orvane::ApplicationResources {

namespace fs = std::filesystem;

std::optional<fs::path> findUpwards(const fs::path& start, const fs::path& relative) {
    std::error_code error;
    for (fs::path folder = start;; folder = folder.parent_path()) {
        const fs::path candidate = folder / relative;
        if (fs::is_directory(candidate, error)) {
            return candidate;
        }
        if (folder == folder.parent_path() || folder.empty()) {
            return std::nullopt;
        }
    }
}

namespace {

std::optional<fs::path> sharedFolder(const char* name) {
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        return std::nullopt;
    }
    return findUpwards(executable.parent_path(), fs::path("share") / "orvane" / name);
}

} // namespace

std::optional<fs::path> modelsFolder() {
    return sharedFolder("models");
}

std::optional<fs::path> helpFolder() {
    return sharedFolder("help");
}

} // namespace orvane::ApplicationResources
