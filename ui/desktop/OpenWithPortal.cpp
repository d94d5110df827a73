#include "ui/desktop/OpenWithPortal.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <fcntl.h>
#include <unistd.h>

namespace orvane::OpenWithPortal {
namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

// The portal's answer to one request comes as a signal on the request's own object.
class Request : public QObject {
    Q_OBJECT
public:
    Request(std::function<void()> onFailure, QObject* parent)
        : QObject(parent)
        , onFailure_(std::move(onFailure)) {}

    void listen(QDBusConnection bus, const QString& path) {
        if (path == path_) {
            return;
        }
        if (!path_.isEmpty()) {
            bus.disconnect(portalService, path_, requestInterface, QStringLiteral("Response"), this,
                           SLOT(respond(uint, QVariantMap)));
        }
        path_ = path;
        bus.connect(portalService, path_, requestInterface, QStringLiteral("Response"), this,
                    SLOT(respond(uint, QVariantMap)));
    }

    void fail() {
        onFailure_();
        deleteLater();
    }

public slots:
    void respond(uint response, const QVariantMap&) {
        // 0: opened; 1: the person cancelled; 2: the portal ended it some other way.
        if (response == 2) {
            onFailure_();
        }
        deleteLater();
    }

private:
    std::function<void()> onFailure_;
    QString path_;
};

// The window the portal's chooser belongs to, as the portal names windows; empty where it can't
// be named (Wayland would need an exported handle).
QString parentWindow(QWidget* window) {
    if (window == nullptr || QGuiApplication::platformName() != QLatin1String("xcb")) {
        return {};
    }
    return QStringLiteral("x11:%1").arg(window->window()->winId(), 0, 16);
}

} // namespace

bool isAvailable(const QDBusConnection& bus) {
    QDBusConnectionInterface* names = bus.isConnected() ? bus.interface() : nullptr;
    if (names == nullptr) {
        return false;
    }
    if (names->isServiceRegistered(portalService)) {
        return true;
    }
    const QDBusReply<QStringList> startable = names->activatableServiceNames();
    return startable.isValid() && startable.value().contains(portalService);
}

void chooseProgram(const QDBusConnection& bus, const std::filesystem::path& file, QWidget* window,
                   std::function<void()> onFailure) {
    QPointer<QWidget> asker(window);
    auto* request = new Request(
        [asker, onFailure = std::move(onFailure)] {
            if (asker && onFailure) {
                onFailure();
            }
        },
        window);
    // The portal is handed the file itself, as it asks of programs outside a sandbox too.
    const int descriptor = ::open(file.c_str(), O_PATH | O_CLOEXEC);
    if (descriptor < 0 || !bus.isConnected() ||
        !(bus.connectionCapabilities() & QDBusConnection::UnixFileDescriptorPassing)) {
        if (descriptor >= 0) {
            ::close(descriptor);
        }
        request->fail();
        return;
    }
    const QDBusUnixFileDescriptor handed(descriptor); // holds a copy of its own
    ::close(descriptor);

    // The request's object path is known before the call from its token, so that an answer that
    // comes at once is not missed.
    static int requests = 0;
    const QString token = QStringLiteral("orvane%1").arg(++requests);
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    request->listen(bus, QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token));

    QDBusMessage call = QDBusMessage::createMethodCall(
        portalService, QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.OpenURI"), QStringLiteral("OpenFile"));
    call << parentWindow(window) << QVariant::fromValue(handed)
         << QVariantMap{{QStringLiteral("ask"), true}, {QStringLiteral("handle_token"), token}};
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), request);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, request,
                     [request, bus](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         const QDBusPendingReply<QDBusObjectPath> reply = *finished;
                         if (reply.isError()) {
                             request->fail();
                             return;
                         }
                         // Older portals choose the path themselves.
                         request->listen(bus, reply.value().path());
                     });
}

} // namespace orvane::OpenWithPortal

#include "OpenWithPortal.moc"
