#pragma once

#include "tests/support/TemporaryDirectory.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <memory>

// Stand-ins for the desktop's services, so that a test never opens a browser, a program or a
// file manager of the user's.
namespace orvane::test {

// Stands in for the desktop's opener, xdg-open, on the PATH: it notes what it was asked to open
// and exits with `status` (3: xdg-open found no program for it).
class FakeOpener {
public:
    explicit FakeOpener(int status);
    ~FakeOpener();
    QStringList opened() const;

private:
    TemporaryDirectory folder_;
    QByteArray oldPath_;
};

// A message bus of the test's own (dbus-daemon), with a client connection to it.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    bool isRunning() const { return client_ != nullptr && client_->isConnected(); }
    const QString& address() const { return address_; }
    QDBusConnection client() const { return *client_; }

private:
    QProcess daemon_;
    QString address_;
    std::unique_ptr<QDBusConnection> client_;
};

// The desktop portal's OpenURI on a private bus: it notes each file it is asked to open and answers
// the request with `response` (0 opened, 1 cancelled, 2 failed), or refuses the call when `refuse`.
class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.OpenURI")
public:
    struct Call {
        QString parentWindow;
        QString file; // the path the handed descriptor names
        QVariantMap options;
    };

    explicit FakePortal(const PrivateBus& bus);
    ~FakePortal() override;

    uint response = 0;
    bool refuse = false;
    QList<Call> calls;

public slots:
    QDBusObjectPath OpenFile(const QString& parentWindow, const QDBusUnixFileDescriptor& file,
                             const QVariantMap& options, const QDBusMessage& message);

private:
    QString connectionName_;
};

} // namespace orvane::test
