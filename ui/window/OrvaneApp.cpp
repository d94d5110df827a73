#include "ui/window/OrvaneApp.h"

#include "editor/ToolWork.h"
#include "ui/window/ContentView.h"

#include <QApplication>
#include <QIcon>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace orvane::OrvaneApp {
namespace {

constexpr const char* noDisplay =
    "orvane: no display was found. The window needs one; the actions work without it (orvane --help).\n";

// Qt ends the process with a core dump when its window-system plugin cannot start; that is a missing
// display as far as the user is concerned.
void messageHandler(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fputs(noDisplay, stderr);
        std::_Exit(1);
    }
    if (type != QtDebugMsg && type != QtInfoMsg && qEnvironmentVariableIsSet("ORVANE_DEBUG")) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
}

// How long a run the closed window cancelled may take to reach its check before the process
// ends without it.
constexpr int cancelledRunGrace = 150; // ms

bool isSet(const char* name) {
    return !qEnvironmentVariableIsEmpty(name);
}

} // namespace

void whenShown(QWidget& window, std::function<void()> then) {
    struct Watch : QObject {
        Watch(QWidget& window, std::function<void()> then)
            : QObject(&window)
            , then_(std::move(then)) {}
        bool eventFilter(QObject* watched, QEvent* event) override {
            const auto* shown = qobject_cast<QWindow*>(watched);
            if (event->type() == QEvent::Expose && shown != nullptr && shown->isExposed()) {
                watched->removeEventFilter(this);
                // After the frame that exposed it is drawn.
                QTimer::singleShot(0, parent(), std::move(then_));
                deleteLater();
            }
            return false;
        }
        std::function<void()> then_;
    };
    window.winId(); // makes the native window, which tells when it is exposed
    QWindow* handle = window.windowHandle();
    if (handle->isExposed()) {
        QTimer::singleShot(0, &window, std::move(then));
        return;
    }
    handle->installEventFilter(new Watch(window, std::move(then)));
}

bool hasDisplay() {
    return isSet("QT_QPA_PLATFORM") || isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}

std::unique_ptr<QApplication> makeApplication(int& argc, char** argv) {
    qInstallMessageHandler(messageHandler);
    // The desktop's own file panels: Qt asks the desktop portal for them when its portal theme is
    // installed (it keeps the desktop's own theme, GTK's or KDE's, for everything else, and falls
    // back to it when no portal answers). A theme the user names is left alone.
    const bool portalChosenHere = qEnvironmentVariableIsEmpty("QT_QPA_PLATFORMTHEME");
    if (portalChosenHere) {
        qputenv("QT_QPA_PLATFORMTHEME", "xdgdesktopportal");
    }
    auto application = std::make_unique<QApplication>(argc, argv);
    if (portalChosenHere) {
        // Programs started from the window (a browser, a file manager) choose for themselves.
        qunsetenv("QT_QPA_PLATFORMTHEME");
    }
    QApplication::setApplicationName(QStringLiteral("Orvane"));
    QApplication::setApplicationDisplayName(QStringLiteral("Orvane"));
    // The installed desktop entry and icon are named after the application's id.
    QApplication::setDesktopFileName(QStringLiteral("org.orvane.Orvane"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.orvane.Orvane"),
                                                 QIcon(QStringLiteral(":/org.orvane.Orvane.svg"))));
    return application;
}

int run(int& argc, char** argv, const std::vector<std::string>& files) {
    if (!hasDisplay()) {
        std::fputs(noDisplay, stderr);
        return 1;
    }
    std::unique_ptr<QApplication> application = makeApplication(argc, argv);

    int status = 0;
    {
        ContentView window;
        window.resize(ContentView::defaultSize);
        window.show();
        if (!files.empty()) {
            QList<QUrl> urls;
            for (const std::string& file : files) {
                urls << QUrl::fromLocalFile(QString::fromStdString(std::filesystem::absolute(file).string()));
            }
            // Once the window is on the screen, so that it shows before the photo is decoded and
            // a panel that the files ask for (the batch's output folder) is centred over it.
            whenShown(window, [&window, urls] { window.handleDrop(urls); });
        }
        status = QApplication::exec();
    }
    // Qt takes leave of the desktop (what was copied goes to its clipboard manager), and the
    // application's own workers end: the jobs still being written to the gallery are on disk.
    application.reset();
    // The run the closed window cancelled ends at its next check, which on a busy machine can be
    // seconds away, at the end of a network's tile. Its work is only pixels in memory, nothing
    // the user is waiting for: after a moment the process ends without it, leaving the temporary
    // folder for the next start to clear, as any ended run's. Ending as usual would take the
    // network from under it.
    if (userInitiatedPool().activeThreadCount() > 0 && !userInitiatedPool().waitForDone(cancelledRunGrace)) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    // The process then ends as usual, so that what it made in the temporary folder and left empty
    // goes with it.
    return status;
}

} // namespace orvane::OrvaneApp
