#pragma once

#include "editor/JobGallery.h"

#include <filesystem>

namespace orvane::test {

// Writes `count` small finished jobs under `root` (PNG results when `asPNG`), a second apart,
// the last one newest.
void writeJobs(const std::filesystem::path& root, int count, bool asPNG = false);

// A gallery over `root` once it has read what is on disk.
struct LoadedGallery {
    JobGallery gallery;
    explicit LoadedGallery(const std::filesystem::path& root);
};

} // namespace orvane::test
