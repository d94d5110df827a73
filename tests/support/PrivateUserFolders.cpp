#include "tests/support/PrivateUserFolders.h"

#include "tests/support/TemporaryDirectory.h"

#include <cstdlib>
#include <memory>

namespace orvane::test {

namespace {

// Static, so that the folder goes when the program ends normally.
std::unique_ptr<TemporaryDirectory>& folder() {
    static std::unique_ptr<TemporaryDirectory> instance;
    return instance;
}

} // namespace

void usePrivateUserFolders() {
    if (folder()) {
        return;
    }
    folder() = std::make_unique<TemporaryDirectory>();
    const std::filesystem::path& root = folder()->path();
    const auto use = [&](const char* variable, const char* name) {
        std::filesystem::create_directories(root / name);
        ::setenv(variable, (root / name).c_str(), 1);
    };
    use("HOME", "home");
    use("XDG_CACHE_HOME", "cache");
    use("XDG_DATA_HOME", "data");
    use("XDG_CONFIG_HOME", "config");
    use("XDG_STATE_HOME", "state");
}

const std::filesystem::path& privateUserFolder() {
    static const std::filesystem::path none;
    return folder() ? folder()->path() : none;
}

} // namespace orvane::test
