#include "ui/desktop/FileManager.h"

#include "ui/desktop/LinkOpener.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <QWidget>

namespace orvane::FileManager {

namespace {

QUrl fileUrl(const std::filesystem::path& path) {
    return QUrl::fromLocalFile(QString::fromStdString(path.string()));
}

void openFolder(const std::filesystem::path& folder, QWidget* asker) {
    LinkOpener::openOrSay(QString::fromStdString(folder.string()), LinkOpener::Target::folder, asker);
}

} // namespace

std::vector<std::filesystem::path> revealTargets(const std::vector<std::filesystem::path>& files,
                                                 const std::optional<std::filesystem::path>& folder) {
    if (!files.empty()) {
        return files;
    }
    if (folder) {
        return {*folder};
    }
    return {};
}

void reveal(const std::vector<std::filesystem::path>& items,
            const std::optional<std::filesystem::path>& folder, QWidget* asker) {
    if (items.empty()) {
        return;
    }
    const std::filesystem::path fallback = folder.value_or(items.front().parent_path());
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openFolder(fallback, asker);
        return;
    }
    QStringList uris;
    for (const auto& item : items) {
        uris << QString::fromLatin1(fileUrl(item).toEncoded());
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << uris << QString();
    // Asked without waiting: a file manager that has to start first may take a while to answer.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [fallback, asker = QPointer<QWidget>(asker)](QDBusPendingCallWatcher* finished) {
                         // The folder opens even once the asker has gone; only the message needs it.
                         if (finished->isError()) {
                             openFolder(fallback, asker);
                         }
                         finished->deleteLater();
                     });
}

} // namespace orvane::FileManager
