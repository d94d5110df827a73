#pragma once

#include <filesystem>

namespace orvane::UserFolders {

// The user's cache folder: $XDG_CACHE_HOME when it is set to an absolute path (the XDG base
// directory rules ignore relative ones), otherwise ~/.cache.
std::filesystem::path caches();

} // namespace orvane::UserFolders
