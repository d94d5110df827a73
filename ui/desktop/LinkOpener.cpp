#include "ui/desktop/LinkOpener.h"

#include <QCoreApplication>
#include <QPointer>
#include <QProcess>

namespace orvane::LinkOpener {
namespace {

// xdg-open's exit statuses for "no program found for it" and "the program it found failed".
constexpr int noOpenerFound = 3;
constexpr int openerFailed = 4;

} // namespace

void open(const QUrl& url, QObject* context, std::function<void()> onFailure) {
    // The process belongs to the application: xdg-open may wait for the browser it started, and
    // ending it with the sheet that asked would end the browser too.
    auto* process = new QProcess(QCoreApplication::instance());
    QPointer<QObject> asker(context);
    const auto fail = [asker, onFailure = std::move(onFailure)] {
        if (asker && onFailure) {
            onFailure();
        }
    };
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, fail](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart) {
                             fail();
                             process->deleteLater();
                         }
                     });
    QObject::connect(
        process, &QProcess::finished, process, [process, fail](int status, QProcess::ExitStatus exit) {
            if (exit == QProcess::NormalExit && (status == noOpenerFound || status == openerFailed)) {
                fail();
            }
            process->deleteLater();
        });
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start(QStringLiteral("xdg-open"), {url.toString(QUrl::FullyEncoded)});
}

} // namespace orvane::LinkOpener
