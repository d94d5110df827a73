#include "platform/image/detail/CodeGeneratorFolder.h"

#include "platform/files/PrivateFolder.h"

#include <cstdlib>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace orvane::CodeGeneratorFolder {

namespace {

// The generator needs to make a file there and map it as executable code.
bool usable(const char* folder) {
    struct stat status {};
    struct statvfs filesystem {};
    return ::stat(folder, &status) == 0 && S_ISDIR(status.st_mode) && ::access(folder, W_OK | X_OK) == 0 &&
           ::statvfs(folder, &filesystem) == 0 && (filesystem.f_flag & ST_NOEXEC) == 0;
}

} // namespace

bool prepare() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != '\0') {
        return usable(runtime);
    }
    try {
        const auto folder = PrivateFolder::inTemporaryFolder("orvane");
        return usable(folder.c_str()) && ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1) == 0;
    } catch (...) {
        return false;
    }
}

} // namespace orvane::CodeGeneratorFolder
