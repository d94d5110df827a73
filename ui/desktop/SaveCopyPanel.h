#pragma once

#include <QString>
#include <filesystem>
#include <functional>
#include <optional>

class QFileDialog;
class QWidget;

namespace orvane {

// Saving a copy of a finished file somewhere the user chooses. The copy replaces what is there
// only once it is complete, so that a failed save never costs the user the file it would have
// replaced.
namespace SaveCopyPanel {

// Copies `file` to `destination`; the error's description when that fails.
std::optional<QString> saveCopy(const std::filesystem::path& file, const std::filesystem::path& destination);

// Where a copy of `file` goes when the user chose `chosen`: the saved name always ends in the
// file's own extension (or another of its type's, as "jpeg" for "jpg"), so that a JPEG is never
// saved as "mine.png". Another image type's extension is corrected, anything else gets the
// extension added. A corrected name that is taken gets " 2", " 3" and so on, since the user
// agreed to replace only the name they chose.
std::filesystem::path destinationFor(const std::filesystem::path& chosen, const std::filesystem::path& file);

// Opens a window-modal save panel (object name "savePanel") named after `file` and offering its
// type, and saves the copy where the user confirms (corrected by `destinationFor`): `onSaved` after a
// successful copy, `onFailed` with the error's description after a failed one. A cancelled panel does
// neither.
QFileDialog* present(QWidget* parent, const std::filesystem::path& file, std::function<void()> onSaved,
                     std::function<void(const QString&)> onFailed);

} // namespace SaveCopyPanel
} // namespace orvane
