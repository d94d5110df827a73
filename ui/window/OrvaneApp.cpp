#include "ui/window/OrvaneApp.h"

#include "ui/window/ContentView.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <QUrl>
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

bool isSet(const char* name) {
    return !qEnvironmentVariableIsEmpty(name);
}

} // namespace

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
    const std::unique_ptr<QApplication> application = makeApplication(argc, argv);

    ContentView window;
    window.resize(ContentView::defaultSize);
    window.show();
    if (!files.empty()) {
        QList<QUrl> urls;
        for (const std::string& file : files) {
            urls << QUrl::fromLocalFile(QString::fromStdString(std::filesystem::absolute(file).string()));
        }
        // After the first frame, so that the window shows before the photo is decoded.
        QTimer::singleShot(0, &window, [&window, urls] { window.handleDrop(urls); });
    }
    return QApplication::exec();
}

} // namespace orvane::OrvaneApp
