#include "ui/desktop/FilePanels.h"

#include "ui/desktop/ImageFileFilter.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <map>

namespace orvane::FilePanels {
namespace {

// Only the window's thread opens panels.
std::map<Purpose, QString>& lastFolders() {
    static std::map<Purpose, QString> folders;
    return folders;
}

} // namespace

QString picturesFolder() {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return !pictures.isEmpty() && QDir(pictures).exists() ? pictures : QDir::homePath();
}

QString startFolder(Purpose purpose) {
    const auto found = lastFolders().find(purpose);
    // A folder removed since it was used is no place to start.
    if (found != lastFolders().end() && QDir(found->second).exists()) {
        return found->second;
    }
    return picturesFolder();
}

void remember(Purpose purpose, const QStringList& chosen) {
    if (chosen.isEmpty() || chosen.front().isEmpty()) {
        return;
    }
    const QFileInfo first(chosen.front());
    lastFolders()[purpose] =
        purpose == Purpose::batchDestination ? first.absoluteFilePath() : first.absolutePath();
}

void forgetFolders() {
    lastFolders().clear();
}

void prepare(QFileDialog& panel, Purpose purpose) {
    panel.setDirectory(startFolder(purpose));
    // Only Qt's own panel takes this size; the desktop's panels size themselves.
    panel.resize(fallbackSize);
    QObject::connect(&panel, &QFileDialog::filesSelected, &panel,
                     [purpose](const QStringList& files) { remember(purpose, files); });
}

QFileDialog* photoPanel(QWidget* parent) {
    auto* panel = new QFileDialog(parent, QString(), QString(), imageFileFilter());
    panel->setObjectName("fileImporter");
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setFileMode(QFileDialog::ExistingFile);
    prepare(*panel, Purpose::openPhoto);
    return panel;
}

} // namespace orvane::FilePanels
