#include "ui/desktop/ShareMenu.h"

#include "ui/desktop/LinkOpener.h"
#include "ui/desktop/OpenWithPortal.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QUrl>

namespace orvane {

namespace {
QUrl fileUrl(const std::filesystem::path& file) {
    return QUrl::fromLocalFile(QString::fromStdString(file.string()));
}
} // namespace

const QString ShareMenu::openWithTitle = QStringLiteral("Open With…");
const QString ShareMenu::openTitle = QStringLiteral("Open");

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
    openItem_ = addAction(openTitle);
    openItem_->setObjectName("shareOpenWith");
    connect(openItem_, &QAction::triggered, this, &ShareMenu::open);
    // Asked only when the menu is about to show: the session bus is not reached before it is needed.
    connect(this, &QMenu::aboutToShow, this, &ShareMenu::updateOpenItem);
}

void ShareMenu::setBus(const QDBusConnection& bus) {
    busName_ = bus.name();
    updateOpenItem();
}

QDBusConnection ShareMenu::bus() const {
    return busName_ ? QDBusConnection(*busName_) : QDBusConnection::sessionBus();
}

void ShareMenu::updateOpenItem() {
    portal_ = OpenWithPortal::isAvailable(bus());
    openItem_->setText(portal_ ? openWithTitle : openTitle);
}

void ShareMenu::open() {
    if (!file_) {
        return;
    }
    QWidget* asker = parentWidget() ? parentWidget() : this;
    const QString path = QString::fromStdString(file_->string());
    const auto openInDefaultProgram = [path, asker] {
        LinkOpener::openOrSay(path, LinkOpener::Target::file, asker);
    };
    if (portal_) {
        // A portal that can't ask still leaves the default program.
        OpenWithPortal::chooseProgram(bus(), *file_, asker, openInDefaultProgram);
    } else {
        openInDefaultProgram();
    }
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
