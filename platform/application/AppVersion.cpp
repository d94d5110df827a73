#include "platform/application/AppVersion.h"

#include "platform/application/AppVersionValues.h"

namespace orvane::AppVersion {

std::string version() {
    return ORVANE_VERSION;
}

std::string build() {
    return ORVANE_BUILD_NUMBER;
}

std::string versionText() {
    return version() + " (" + build() + ")";
}

} // namespace orvane::AppVersion
