#pragma once

#include <filesystem>
#include <optional>
#include <vector>

class QWidget;

// Showing files in the desktop's file manager.
namespace orvane::FileManager {

// What a reveal shows: the files when there are any, else the folder itself, else nothing.
std::vector<std::filesystem::path> revealTargets(const std::vector<std::filesystem::path>& files,
                                                 const std::optional<std::filesystem::path>& folder);

// Shows `items` selected in the desktop's file manager, through its freedesktop interface
// (org.freedesktop.FileManager1 on the session bus). Where there is none, or it refuses, the
// folder is opened instead: `folder` when given, else the first item's folder; where nothing opens
// folders either, a message over `asker` says where the folder is.
void reveal(const std::vector<std::filesystem::path>& items,
            const std::optional<std::filesystem::path>& folder, QWidget* asker);

} // namespace orvane::FileManager
