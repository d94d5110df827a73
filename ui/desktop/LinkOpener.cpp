#include "ui/desktop/LinkOpener.h"

#include "ui/desktop/MessageBoxWidth.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QWidget>

namespace orvane::LinkOpener {
namespace {

// xdg-open's exit status for "no program found for it". Its others say nothing about that: 4 is
// a program that opened the file and then ended with an error of its own, which it has shown.
constexpr int noOpenerFound = 3;

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
    QObject::connect(process, &QProcess::finished, process,
                     [process, fail](int status, QProcess::ExitStatus exit) {
                         if (exit == QProcess::NormalExit && status == noOpenerFound) {
                             fail();
                         }
                         process->deleteLater();
                     });
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start(QStringLiteral("xdg-open"), {url.toString(QUrl::FullyEncoded)});
}

void sayCannotOpen(QWidget* asker, Target target, const QString& path) {
    struct Wording {
        const char* name;
        const char* title;
        const char* explanation;
    };
    static constexpr Wording wordings[] = {
        {"pageNotOpened", "The page couldn't be opened",
         "No program on this computer opens web pages. You can open the page yourself: %1"},
        {"fileNotOpened", "The file couldn't be opened",
         "No program on this computer opens this kind of file. You can open the file yourself: %1"},
        {"folderNotOpened", "The folder couldn't be opened",
         "No program on this computer shows folders. You can open the folder yourself: %1"},
    };
    const Wording& wording = wordings[static_cast<int>(target)];
    const QString title = QString::fromUtf8(wording.title);
    auto* message = new QMessageBox(QMessageBox::Information, title, title, QMessageBox::Ok, asker->window());
    message->setObjectName(QString::fromLatin1(wording.name));
    message->setAttribute(Qt::WA_DeleteOnClose);
    message->setWindowModality(Qt::WindowModal);
    message->setTextFormat(Qt::PlainText);
    // The path can be copied, to open it some other way.
    message->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    message->setInformativeText(QString::fromUtf8(wording.explanation).arg(path));
    fitMessageBoxToText(*message);
    message->open();
}

void openOrSay(const QString& path, Target target, QWidget* asker) {
    open(QUrl::fromLocalFile(path), asker, [asker, target, path] { sayCannotOpen(asker, target, path); });
}

} // namespace orvane::LinkOpener
