#pragma once

#include <QMenu>
#include <QMimeData>
#include <filesystem>
#include <memory>
#include <optional>

namespace orvane {

// The desktop's stand-in for a share sheet, for one file: "Copy" puts the file on the clipboard
// the way file managers do, so that it can be pasted into a folder, a mail or a chat; "Open With…"
// hands it to the desktop's default program for its type.
class ShareMenu : public QMenu {
    Q_OBJECT
public:
    explicit ShareMenu(QWidget* parent = nullptr);

    // The file shared; the menu's actions do nothing without one.
    void setFile(std::optional<std::filesystem::path> file) { file_ = std::move(file); }
    const std::optional<std::filesystem::path>& file() const { return file_; }

    // The clipboard contents for a file: its URL as a URI list, and the same in the form GNOME's
    // file manager pastes from.
    static std::unique_ptr<QMimeData> clipboardData(const std::filesystem::path& file);

private:
    std::optional<std::filesystem::path> file_;
};

} // namespace orvane
