#pragma once

#include <filesystem>
#include <string_view>

namespace orvane::PrivateFolder {

// `folder`, made with mode 0700 when missing, so that there is no moment in which others could
// enter it. Throws FileError (fileWriteUnknown) when it cannot be made, or when what is there is
// not a real folder that this user alone owns and can enter: a link, or a folder of someone
// else's or open to others, through which another user could read what is put in it or redirect
// it. A folder made here goes again when the process exits, if it is empty then and no other
// process that took it through `make` is still running: temporary folders leave nothing behind, and
// one Orvane never removes a folder that another is using.
std::filesystem::path make(const std::filesystem::path& folder);

// "`prefix`-<this user's id>" in the system's temporary folder, which all users share, made
// private as `make` does. Throws FileError (fileWriteUnknown) as `make` does, or when there is no
// temporary folder.
std::filesystem::path inTemporaryFolder(std::string_view prefix);

} // namespace orvane::PrivateFolder
