#include "ui/SaveCopyPanel.h"

#include "platform/Error.h"
#include "platform/files/AtomicFile.h"
#include "ui/ImageFileFilter.h"

#include <QFileDialog>
#include <QMimeDatabase>

namespace orvane::SaveCopyPanel {

std::optional<QString> saveCopy(const std::filesystem::path& file, const std::filesystem::path& destination) {
    try {
        AtomicFile::copy(file, destination);
        return std::nullopt;
    } catch (const Error& error) {
        return QString::fromStdString(error.what());
    }
}

namespace {
// The file's own type only, as "JPEG image (*.jpg)"; every image type when it has none we know.
QString typeFilter(const std::filesystem::path& file) {
    const QString name = QString::fromStdString(file.filename().string());
    const QString extension = QString::fromStdString(file.extension().string()).mid(1);
    const QMimeType type = QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    if (extension.isEmpty() || type.isDefault()) {
        return imageFileFilter();
    }
    return QStringLiteral("%1 (*.%2)").arg(type.comment(), extension);
}
} // namespace

QFileDialog* present(QWidget* parent, const std::filesystem::path& file, std::function<void()> onSaved,
                     std::function<void(const QString&)> onFailed) {
    auto* panel = new QFileDialog(parent);
    panel->setObjectName("savePanel");
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setAcceptMode(QFileDialog::AcceptSave);
    panel->setFileMode(QFileDialog::AnyFile);
    panel->setNameFilter(typeFilter(file));
    panel->setDefaultSuffix(QString::fromStdString(file.extension().string()).mid(1));
    panel->selectFile(QString::fromStdString(file.filename().string()));
    panel->setWindowModality(Qt::WindowModal);
    QObject::connect(
        panel, &QFileDialog::fileSelected, panel,
        [file, onSaved = std::move(onSaved), onFailed = std::move(onFailed)](const QString& chosen) {
            if (chosen.isEmpty()) {
                return;
            }
            if (auto failure = saveCopy(file, chosen.toStdString())) {
                onFailed(*failure);
            } else {
                onSaved();
            }
        });
    panel->open();
    return panel;
}

} // namespace orvane::SaveCopyPanel
