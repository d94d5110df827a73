#include "ui/desktop/FileManager.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QStringList>
#include <QUrl>

namespace orvane::FileManager {

namespace {

QUrl fileUrl(const std::filesystem::path& path) {
    return QUrl::fromLocalFile(QString::fromStdString(path.string()));
}

void openFolder(const std::filesystem::path& folder) {
    QDesktopServices::openUrl(fileUrl(folder));
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
            const std::optional<std::filesystem::path>& folder) {
    if (items.empty()) {
        return;
    }
    const std::filesystem::path fallback = folder.value_or(items.front().parent_path());
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openFolder(fallback);
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
                     [fallback](QDBusPendingCallWatcher* finished) {
                         if (finished->isError()) {
                             openFolder(fallback);
                         }
                         finished->deleteLater();
                     });
}

} // namespace orvane::FileManager
