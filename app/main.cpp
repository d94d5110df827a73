#include "intents/CommandLine.h"
#include "ui/window/ActionDesktop.h"
#include "ui/window/OrvaneApp.h"

#include <iostream>
#include <optional>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    // An action or an option runs on the command line (so does a mistyped action); nothing, or
    // files, open the window.
    if (orvane::CommandLine::meantForCommandLine(arguments)) {
        std::ios::sync_with_stdio(false);
        // An action the desktop started may have to ask for its photo, or to show a failure that
        // no notification could; only where there is a display to show them on.
        std::optional<orvane::ActionDesktop> session;
        orvane::CommandLine::Desktop desktop;
        if (orvane::OrvaneApp::hasDisplay()) {
            orvane::ActionDesktop& shown = session.emplace(argc > 0 ? argv[0] : "orvane");
            desktop.askForImage = [&shown](const std::string& title) { return shown.askForPhoto(title); };
            desktop.showMessage = [&shown](const std::string& title, const std::string& message) {
                shown.showMessage(title, message);
            };
        }
        return orvane::CommandLine::run(arguments, std::cout, std::cerr, desktop);
    }
    return orvane::OrvaneApp::run(argc, argv, arguments);
}
