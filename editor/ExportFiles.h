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
// never name a place outside the export folder ("a/b" becomes "a-b"), and that a name too long for
// the file system with the tool word added loses the end of the source name.
QString imageFileName(const QString& sourceName, const std::optional<ResultInfo>& info, ExportFormat format);

// A convert run's export: "beach.webp"; `fileExtension` without the dot. Shortened as above.
QString convertedFileName(const QString& sourceName, const QString& fileExtension);

ImageFiles::Format imageFormat(ExportFormat format);

// `stem` then `ending` (a suffix and the extension, kept whole): the stem loses its end, never
// inside a character, when the name would pass the file system's 255-byte limit.
QString fittedFileName(const QString& stem, const QString& ending);

// A photo's name comes from outside (a dropped file, pasted data); as part of a file name it must
// name a file inside its folder and nothing else, so path separators cannot lead out of it.
QString fileNameSafe(const QString& sourceName);

// This user's private temporary folder: "orvane-<uid>" in the system's temporary folder, made
// with mode 0700. Throws FileError (fileWriteUnknown) when it cannot be made, or when what is
// there is not a real folder that this user alone owns and can enter; another user could
// otherwise read the exports or plant a link that redirects them.
std::filesystem::path privateTemporaryFolder();

// This run's own folder in "export" inside the private temporary folder, made on first use, when
// the folders that ended runs left there (with their exports, some hundreds of megabytes) are
// removed; the folders of other runs still going are kept. Throws FileError (fileWriteUnknown) as
// `privateTemporaryFolder` does, or when it cannot be made.
std::filesystem::path exportFolder();

// A new, empty folder in `exportFolder` for one prepared export, so that no two exports ever share
// a file, even under the same name, and each can go on its own. Throws FileError as above.
std::filesystem::path newExportFolder();

// Removes an export that was never published (superseded while it was written, cancelled, or
// failed part of the way), with its folder: nothing outside can know of it. A published export is
// never discarded while the run goes on. Anything that is not in a folder of `newExportFolder` is
// left alone.
void discard(const std::filesystem::path& preparedFile);

} // namespace orvane::ExportFiles
