#pragma once

#include <string>

namespace orvane::AppVersion {

// The release this build is of, as the project declares it: "0.1.0".
std::string version();

// Which build of that release: the number of commits in the source's history when the build was
// configured, "0" for a source tree outside version control.
std::string build();

// "0.1.0 (123)": what the About sheet and `orvane --version` show.
std::string versionText();

} // namespace orvane::AppVersion
