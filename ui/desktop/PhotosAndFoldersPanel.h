#pragma once

#include <QFileDialog>
#include <QStringList>

namespace orvane {

// An open panel in which photos and folders can both be chosen, several at once. Qt's own panel
// chooses either files or one folder; this one keeps the files mode, and "Open" with a folder
// selected chooses that folder instead of stepping into it (a double click still steps in).
class PhotosAndFoldersPanel : public QFileDialog {
    Q_OBJECT
public:
    PhotosAndFoldersPanel(const QString& message, QWidget* parent = nullptr);

    void accept() override;

signals:
    // The chosen files and folders, once the panel closes with "Open".
    void chosen(const QStringList& paths);
};

} // namespace orvane
