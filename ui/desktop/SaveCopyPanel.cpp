#include "ui/desktop/SaveCopyPanel.h"

#include "platform/Error.h"
#include "platform/files/AtomicFile.h"
#include "platform/image/UniformType.h"
#include "ui/desktop/FilePanels.h"
#include "ui/desktop/ImageFileFilter.h"

#include <QFileDialog>
#include <QMimeDatabase>
#include <algorithm>
#include <cctype>

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

std::string lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// "jpg" for ".JPG"; empty for none.
std::string extensionOf(const std::filesystem::path& path) {
    const std::string extension = path.extension().string();
    return extension.empty() ? extension : lowercase(extension.substr(1));
}

} // namespace

std::filesystem::path destinationFor(const std::filesystem::path& chosen, const std::filesystem::path& file) {
    const std::string wanted = extensionOf(file);
    const std::string typed = extensionOf(chosen);
    if (wanted.empty() || typed == wanted) {
        return chosen;
    }
    const std::optional<UniformType> wantedType = UniformType::fromFilenameExtension(wanted);
    const std::optional<UniformType> typedType =
        typed.empty() ? std::nullopt : UniformType::fromFilenameExtension(typed, "public.image");
    if (typedType && wantedType && *typedType == *wantedType) {
        return chosen;
    }
    std::filesystem::path corrected = chosen;
    if (typedType) {
        corrected.replace_extension(file.extension());
    } else {
        corrected += file.extension();
    }
    const auto taken = [](const std::filesystem::path& path) {
        std::error_code error;
        return std::filesystem::symlink_status(path, error).type() != std::filesystem::file_type::not_found;
    };
    std::filesystem::path free = corrected;
    for (int n = 2; taken(free); ++n) {
        free = AtomicFile::numbered(corrected, n);
    }
    return free;
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
    FilePanels::prepare(*panel, FilePanels::Purpose::saveCopy);
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
            if (auto failure = saveCopy(file, destinationFor(chosen.toStdString(), file))) {
                onFailed(*failure);
            } else {
                onSaved();
            }
        });
    panel->open();
    return panel;
}

} // namespace orvane::SaveCopyPanel
