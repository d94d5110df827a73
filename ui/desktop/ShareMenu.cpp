#include "ui/desktop/ShareMenu.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>

namespace orvane {

namespace {
QUrl fileUrl(const std::filesystem::path& file) {
    return QUrl::fromLocalFile(QString::fromStdString(file.string()));
}
} // namespace

ShareMenu::ShareMenu(QWidget* parent)
    : QMenu(parent) {
    setObjectName("shareMenu");
    QAction* copy = addAction(QStringLiteral("Copy"));
    copy->setObjectName("shareCopy");
    connect(copy, &QAction::triggered, this, [this] {
        if (file_) {
            QGuiApplication::clipboard()->setMimeData(clipboardData(*file_).release());
        }
    });
    QAction* openWith = addAction(QStringLiteral("Open With…"));
    openWith->setObjectName("shareOpenWith");
    connect(openWith, &QAction::triggered, this, [this] {
        if (file_) {
            QDesktopServices::openUrl(fileUrl(*file_));
        }
    });
}

std::unique_ptr<QMimeData> ShareMenu::clipboardData(const std::filesystem::path& file) {
    auto data = std::make_unique<QMimeData>();
    const QUrl url = fileUrl(file);
    // setUrls also writes text/uri-list.
    data->setUrls({url});
    data->setData(QStringLiteral("x-special/gnome-copied-files"),
                  QByteArrayLiteral("copy\n") + url.toEncoded());
    return data;
}

} // namespace orvane
