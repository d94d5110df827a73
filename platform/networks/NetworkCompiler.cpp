#include "platform/networks/NetworkCompiler.h"

#include "platform/networks/NetworkDescription.h"
#include "platform/networks/NetworkError.h"
#include "platform/networks/NetworkManifest.h"
#include "platform/networks/OnnxEnvironment.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace orvane::NetworkCompiler {

namespace fs = std::filesystem;

namespace {

// A hidden folder beside the bundle, in the same file system so it can be renamed into place.
// It goes away with everything in it unless it was renamed.
class StagingFolder {
public:
    explicit StagingFolder(const fs::path& bundle) {
        std::string pattern =
            (bundle.parent_path() / ("." + bundle.filename().string() + ".XXXXXX")).string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw NetworkError("Could not create a folder beside " + bundle.string() + ": " +
                               std::strerror(errno));
        }
        path_ = pattern;
        // mkdtemp makes it private; the bundle should get the permissions of any new folder.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::chmod(path_.c_str(), 0777 & ~mask);
    }
    ~StagingFolder() {
        if (!path_.empty()) {
            std::error_code ignored;
            fs::remove_all(path_, ignored);
        }
    }
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    const fs::path& path() const { return path_; }

    void renameTo(const fs::path& bundle) {
        // NOREPLACE: a plain rename would silently replace an empty folder that appeared meanwhile.
        if (::renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, bundle.c_str(), RENAME_NOREPLACE) != 0) {
            throw NetworkError("Could not create " + bundle.string() + ": " + std::strerror(errno));
        }
        // The folder is now the bundle, so nothing is left to remove.
        path_.clear();
    }

private:
    fs::path path_;
};

} // namespace

void compile(const fs::path& package, const fs::path& bundle, Optimisation optimisation) {
    std::error_code error;
    if (fs::symlink_status(bundle, error).type() != fs::file_type::not_found) {
        throw NetworkError(bundle.string() + " already exists");
    }
    const auto packageManifest = NetworkManifest::read(package, NetworkManifest::packageFormat);
    const auto description = NetworkDescription::read(package / packageManifest.description);

    StagingFolder staging(bundle.has_filename() ? bundle : bundle.parent_path());
    NetworkManifest bundleManifest;
    bundleManifest.format = NetworkManifest::bundleFormat;
    withOnnxErrors([&] {
        Ort::SessionOptions options;
        options.SetGraphOptimizationLevel(optimisation == Optimisation::all
                                              ? GraphOptimizationLevel::ORT_ENABLE_ALL
                                              : GraphOptimizationLevel::ORT_ENABLE_EXTENDED);
        options.SetOptimizedModelFilePath((staging.path() / bundleManifest.network).c_str());
        // The session only exists to optimise and save the graph; it never runs.
        options.SetIntraOpNumThreads(1);
        // Saving an ORT_ENABLE_ALL graph always warns that it is meant for this machine only, which is
        // what a compiled bundle is.
        options.SetLogSeverityLevel(ORT_LOGGING_LEVEL_ERROR);
        const fs::path network = package / packageManifest.network;
        Ort::Session session(onnxEnvironment(), network.c_str(), options);
    });
    if (!fs::is_regular_file(staging.path() / bundleManifest.network, error)) {
        throw NetworkError("ONNX Runtime did not save the optimised network of " + package.string());
    }
    description.write(staging.path() / bundleManifest.description);
    bundleManifest.write(staging.path());
    staging.renameTo(bundle);
}

} // namespace orvane::NetworkCompiler
