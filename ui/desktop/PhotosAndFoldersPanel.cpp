#include "ui/desktop/PhotosAndFoldersPanel.h"

#include "ui/desktop/ImageFileFilter.h"

#include <QFileInfo>
#include <algorithm>

namespace orvane {

PhotosAndFoldersPanel::PhotosAndFoldersPanel(const QString& message, QWidget* parent)
    : QFileDialog(parent, message, QString(), imageFileFilter()) {
    // The desktop's own panels can't choose files and folders together either, and would not
    // come through `accept` below.
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::ExistingFiles);
}

void PhotosAndFoldersPanel::accept() {
    const QStringList paths = selectedFiles();
    const bool allExist =
        !paths.isEmpty() &&
        std::all_of(paths.begin(), paths.end(), [](const QString& path) { return QFileInfo::exists(path); });
    if (!allExist) {
        // A typed name that is not there: the panel says so itself.
        QFileDialog::accept();
        return;
    }
    // As Qt's own accept would, so that what listens to the panel hears of the choice.
    emit filesSelected(paths);
    emit chosen(paths);
    QDialog::accept();
}

} // namespace orvane
