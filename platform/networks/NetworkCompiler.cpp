#include "platform/networks/NetworkCompiler.h"

#include "platform/networks/NetworkDescription.h"
#include "platform/networks/NetworkError.h"
#include "platform/networks/NetworkGraph.h"
#include "platform/networks/NetworkManifest.h"
#include "platform/networks/detail/OnnxModel.h"

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

void compile(const fs::path& package, const fs::path& bundle) {
    std::error_code error;
    if (fs::symlink_status(bundle, error).type() != fs::file_type::not_found) {
        throw NetworkError(bundle.string() + " already exists");
    }
    const auto packageManifest = NetworkManifest::read(package, NetworkManifest::packageFormat);
    const auto description = NetworkDescription::read(package / packageManifest.description);
    NetworkGraph graph = NetworkGraph::fromOnnx(OnnxModel::read(package / packageManifest.network));
    graph.foldScales();

    StagingFolder staging(bundle.has_filename() ? bundle : bundle.parent_path());
    NetworkManifest bundleManifest;
    bundleManifest.format = NetworkManifest::bundleFormat;
    bundleManifest.version = NetworkManifest::bundleVersion;
    bundleManifest.network = NetworkGraph::graphFile;
    graph.write(staging.path());
    description.write(staging.path() / bundleManifest.description);
    bundleManifest.write(staging.path());
    staging.renameTo(bundle);
}

} // namespace orvane::NetworkCompiler
