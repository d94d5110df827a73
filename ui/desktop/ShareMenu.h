#pragma once

#include <QMenu>
#include <QMimeData>
#include <QString>
#include <filesystem>
#include <memory>
#include <optional>

class QDBusConnection;

namespace orvane {

// The desktop's stand-in for a share sheet, for one file: "Copy" puts the file on the clipboard
// the way file managers do, so that it can be pasted into a folder, a mail or a chat; "Open With…"
// lets the person choose a program for it, through the desktop portal. Where the desktop has no
// portal, the item is "Open" and hands the file to the desktop's default program for its type.
// Where nothing opens the file, a message says where it is.
class ShareMenu : public QMenu {
    Q_OBJECT
public:
    static const QString openWithTitle; // "Open With…"
    static const QString openTitle;     // "Open"

    explicit ShareMenu(QWidget* parent = nullptr);

    // The bus on which the portal is looked for: the session's unless set.
    void setBus(const QDBusConnection& bus);
    // Names the open item for what it will do, as it is just before the menu shows.
    void updateOpenItem();

    // The file shared; the menu's actions do nothing without one.
    void setFile(std::optional<std::filesystem::path> file) { file_ = std::move(file); }
    const std::optional<std::filesystem::path>& file() const { return file_; }

    // The clipboard contents for a file: its URL as a URI list, and the same in the form GNOME's
    // file manager pastes from.
    static std::unique_ptr<QMimeData> clipboardData(const std::filesystem::path& file);

private:
    QDBusConnection bus() const;
    void open();

    std::optional<std::filesystem::path> file_;
    std::optional<QString> busName_;
    QAction* openItem_ = nullptr;
    bool portal_ = false;
};

} // namespace orvane
