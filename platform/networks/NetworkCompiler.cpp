#include "platform/networks/NetworkCompiler.h"

#include "platform/files/Sha256.h"
#include "platform/networks/NetworkDescription.h"
#include "platform/networks/NetworkError.h"
#include "platform/networks/NetworkGraph.h"
#include "platform/networks/NetworkManifest.h"
#include "platform/networks/detail/OnnxModel.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

    // Gives the folder the bundle's name; false when the name is taken. NOREPLACE: a plain
    // rename would silently replace an empty folder that appeared meanwhile.
    bool tryRenameTo(const fs::path& bundle) {
        if (::renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, bundle.c_str(), RENAME_NOREPLACE) != 0) {
            if (errno == EEXIST || errno == ENOTEMPTY) {
                return false;
            }
            throw NetworkError("Could not create " + bundle.string() + ": " + std::strerror(errno));
        }
        // The folder is now the bundle, so nothing is left to remove.
        path_.clear();
        return true;
    }

    void renameTo(const fs::path& bundle) {
        if (!tryRenameTo(bundle)) {
            throw NetworkError("Could not create " + bundle.string() + ": " + std::strerror(EEXIST));
        }
    }

private:
    fs::path path_;
};

} // namespace

namespace {

// Puts what was written to `path` (a file or a folder's entries) on the disk.
void sync(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    const int error = errno;
    if (fd >= 0) {
        ::close(fd);
    }
    if (!synced) {
        throw NetworkError("Could not write " + path.string() + ": " + std::strerror(error));
    }
}

fs::path folderOf(const fs::path& bundle) {
    const fs::path named = bundle.has_filename() ? bundle : bundle.parent_path();
    return named.has_parent_path() ? named.parent_path() : fs::path(".");
}

// The files a bundle of this version holds besides its manifest, in the order they are checked.
std::vector<std::string> bundleFiles(const NetworkManifest& manifest) {
    return {manifest.network, std::string(NetworkGraph::weightsFile), manifest.description};
}

// The size and modification time of `file` as the file system reports them now; none when it
// can't be examined (missing, or not a regular file).
std::optional<std::pair<std::uint64_t, std::int64_t>> sizeAndTime(const fs::path& file) {
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    return std::pair(static_cast<std::uint64_t>(status.st_size),
                     static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 +
                         status.st_mtim.tv_nsec);
}

// Called once the file is on the disk, so that the time recorded is the one it keeps.
NetworkManifest::File recorded(const fs::path& folder, const std::string& name) {
    const fs::path file = folder / name;
    const auto examined = sizeAndTime(file);
    const auto digest = Sha256::fileDigest(file);
    if (!examined || !digest) {
        throw NetworkError("Could not read " + file.string());
    }
    return {name, examined->first, Sha256::hex(*digest), examined->second};
}

// A package turned into what a bundle holds, before anything is written.
struct Compiled {
    NetworkDescription description;
    NetworkGraph graph;
};

Compiled compiled(const fs::path& package) {
    const auto packageManifest = NetworkManifest::read(package, NetworkManifest::packageFormat);
    Compiled result{NetworkDescription::read(package / packageManifest.description),
                    NetworkGraph::fromOnnx(OnnxModel::read(package / packageManifest.network))};
    result.graph.foldScales();
    return result;
}

// Writes the bundle's files into `folder`, with the size and checksum of each in its manifest,
// and puts them and the folder on the disk.
void write(const Compiled& network, const fs::path& folder) {
    NetworkManifest manifest;
    manifest.format = NetworkManifest::bundleFormat;
    manifest.version = NetworkManifest::bundleVersion;
    manifest.network = NetworkGraph::graphFile;
    network.graph.write(folder);
    network.description.write(folder / manifest.description);
    for (const auto& name : bundleFiles(manifest)) {
        sync(folder / name);
        manifest.files.push_back(recorded(folder, name));
    }
    manifest.write(folder);
    sync(folder / "Manifest.json");
    sync(folder);
}

} // namespace

void compile(const fs::path& package, const fs::path& bundle) {
    std::error_code error;
    if (fs::symlink_status(bundle, error).type() != fs::file_type::not_found) {
        throw NetworkError(bundle.string() + " already exists");
    }
    const Compiled network = compiled(package);
    StagingFolder staging(bundle.has_filename() ? bundle : bundle.parent_path());
    write(network, staging.path());
    staging.renameTo(bundle);
    sync(folderOf(bundle));
}

void replace(const fs::path& package, const fs::path& bundle) {
    const Compiled network = compiled(package);
    const fs::path named = bundle.has_filename() ? bundle : bundle.parent_path();
    StagingFolder staging(named);
    write(network, staging.path());
    // The old bundle goes into a hidden folder of its own, which takes it away when this ends.
    StagingFolder aside(named);
    if (::rename(named.c_str(), (aside.path() / "old").c_str()) != 0 && errno != ENOENT) {
        throw NetworkError("Could not replace " + named.string() + ": " + std::strerror(errno));
    }
    if (!staging.tryRenameTo(named) && !isIntact(named)) {
        throw NetworkError("Could not replace " + named.string() + ": " + std::strerror(EEXIST));
    }
    sync(folderOf(named));
}

bool isIntact(const fs::path& bundle) {
    try {
        const auto manifest = NetworkManifest::read(bundle, NetworkManifest::bundleFormat);
        for (const auto& name : bundleFiles(manifest)) {
            const auto found =
                std::find_if(manifest.files.begin(), manifest.files.end(),
                             [&](const NetworkManifest::File& file) { return file.name == name; });
            if (found == manifest.files.end() || !found->modified) {
                return false;
            }
            // A file cut short, missing or written again since has another size or time; nothing
            // is read, so the check costs the same whatever the network's size.
            const auto examined = sizeAndTime(bundle / name);
            if (!examined || examined->first != found->bytes || examined->second != *found->modified) {
                return false;
            }
        }
        return true;
    } catch (const NetworkError&) {
        return false;
    }
}

} // namespace orvane::NetworkCompiler
