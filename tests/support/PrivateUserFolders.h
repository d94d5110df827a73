#pragma once

#include <filesystem>

namespace orvane::test {

// Points HOME and the XDG base folders (cache, data, config, state) of this process at a fresh
// temporary folder, removed when the process ends, so that no test reads or writes the real
// user's caches, gallery or settings. Called first thing in every test program's main.
void usePrivateUserFolders();

// The folder that usePrivateUserFolders made; empty before it is called.
const std::filesystem::path& privateUserFolder();

} // namespace orvane::test
