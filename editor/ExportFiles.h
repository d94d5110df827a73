#pragma once

#include "core/ImageFiles.h"
#include "editor/ExportFormat.h"
#include "editor/ResultInfo.h"

#include <QString>
#include <filesystem>
#include <optional>

// Where prepared exports live and what they are called.
namespace orvane::ExportFiles {

// The word a result's label stands for in its file name: "4x" for "4×", "cutout", "enhanced",
// and "enlarged" for every other label or none.
QString toolWord(const std::optional<ResultInfo>& info);

// An image tool's export: "beach-4x.png". The source name is used as it is, except that it can
// never name a place outside the export folder ("a/b" becomes "a-b").
QString imageFileName(const QString& sourceName, const std::optional<ResultInfo>& info, ExportFormat format);

// A convert run's export: "beach.webp"; `fileExtension` without the dot.
QString convertedFileName(const QString& sourceName, const QString& fileExtension);

ImageFiles::Format imageFormat(ExportFormat format);

// A photo's name comes from outside (a dropped file, pasted data); as part of a file name it must
// name a file inside its folder and nothing else, so path separators cannot lead out of it.
QString fileNameSafe(const QString& sourceName);

// This user's private temporary folder: "orvane-<uid>" in the system's temporary folder, made
// with mode 0700. Throws FileError (fileWriteUnknown) when it cannot be made, or when what is
// there is not a real folder that this user alone owns and can enter; another user could
// otherwise read the exports or plant a link that redirects them.
std::filesystem::path privateTemporaryFolder();

// The folder "export" inside the private temporary folder, made when missing. Throws FileError
// (fileWriteUnknown) as `privateTemporaryFolder` does, or when it cannot be made.
std::filesystem::path exportFolder();

} // namespace orvane::ExportFiles
