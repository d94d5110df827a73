#include "platform/files/UserFolders.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace orvane::UserFolders {

namespace fs = std::filesystem;

namespace {
fs::path home() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return home;
    }
    // Services and some sandboxes run without HOME; the password database still knows.
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
        return found->pw_dir;
    }
    return fs::temp_directory_path();
}
} // namespace

fs::path caches() {
    if (const char* cache = std::getenv("XDG_CACHE_HOME");
        cache != nullptr && fs::path(cache).is_absolute()) {
        return cache;
    }
    return home() / ".cache";
}

} // namespace orvane::UserFolders
