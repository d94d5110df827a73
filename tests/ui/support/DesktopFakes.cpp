#include "tests/ui/support/DesktopFakes.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace orvane::test {

FakeOpener::FakeOpener(int status)
    : oldPath_(qgetenv("PATH")) {
    const fs::path script = folder_ / "xdg-open";
    std::ofstream(script) << "#!/bin/sh\necho \"$1\" >> '" << (folder_ / "opened").string() << "'\nexit "
                          << status << "\n";
    fs::permissions(script, fs::perms::owner_all);
    qputenv("PATH", QByteArray::fromStdString(folder_.path().string()) + ":" + oldPath_);
}

FakeOpener::~FakeOpener() {
    qputenv("PATH", oldPath_);
}

QStringList FakeOpener::opened() const {
    QFile file(QString::fromStdString((folder_ / "opened").string()));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)
                                          : QStringList();
}

namespace {
int busCount = 0;
}

PrivateBus::PrivateBus() {
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                   QStringLiteral("--print-address=1")});
    if (!daemon_.waitForStarted(5000) || !daemon_.waitForReadyRead(5000)) {
        return;
    }
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    client_ = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(address_, QStringLiteral("test-client-%1").arg(++busCount)));
}

PrivateBus::~PrivateBus() {
    if (client_) {
        const QString name = client_->name();
        client_.reset();
        QDBusConnection::disconnectFromBus(name);
    }
    daemon_.terminate();
    daemon_.waitForFinished(5000);
}

FakePortal::FakePortal(const PrivateBus& bus)
    : connectionName_(QStringLiteral("test-portal-%1").arg(++busCount)) {
    QDBusConnection connection = QDBusConnection::connectToBus(bus.address(), connectionName_);
    connection.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), this,
                              QDBusConnection::ExportAllSlots);
    connection.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
}

FakePortal::~FakePortal() {
    QDBusConnection::disconnectFromBus(connectionName_);
}

QDBusObjectPath FakePortal::OpenFile(const QString& parentWindow, const QDBusUnixFileDescriptor& file,
                                     const QVariantMap& options, const QDBusMessage& message) {
    const QString link = QStringLiteral("/proc/self/fd/%1").arg(file.fileDescriptor());
    calls.push_back({parentWindow, QFile::symLinkTarget(link), options});
    QDBusConnection connection(connectionName_);
    if (refuse) {
        message.setDelayedReply(true);
        connection.send(message.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotAllowed"),
                                                 QStringLiteral("Not allowed")));
        return {};
    }
    QString sender = message.service().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                             .arg(sender, options.value(QStringLiteral("handle_token")).toString());
    // The answer comes after the reply, as the portal's does once the person has chosen.
    const uint answer = response;
    QTimer::singleShot(0, this, [connection, path, answer]() mutable {
        QDBusMessage signal = QDBusMessage::createSignal(
            path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        signal << answer << QVariantMap();
        connection.send(signal);
    });
    return QDBusObjectPath(path);
}

} // namespace orvane::test
