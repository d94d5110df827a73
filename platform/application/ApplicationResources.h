#pragma once

// Resources shipped with the application (networks, …) live in share/orvane/, found relative to
// the running executable, so that the same lookup works in the build tree (build/app/orvane →
// build/share/orvane) and after `cmake --install` (PREFIX/bin/orvane → PREFIX/share/orvane).

#include <filesystem>
#include <optional>

namespace orvane::ApplicationResources {

// share/orvane/models of this build tree or installation; none when there is no such folder.
std::optional<std::filesystem::path> modelsFolder();
// share/orvane/help: the pages the about sheet opens; none when there is no such folder.
std::optional<std::filesystem::path> helpFolder();

// The first `start`/`relative`, `start`/../`relative`, … up to the file system's root that is a
// folder.
std::optional<std::filesystem::path> findUpwards(const std::filesystem::path& start,
                                                 const std::filesystem::path& relative);

} // namespace orvane::ApplicationResources
