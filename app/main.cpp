#include "intents/CommandLine.h"
#include "ui/window/OrvaneApp.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    // An action or an option runs on the command line (so does a mistyped action); nothing, or
    // files, open the window.
    if (orvane::CommandLine::meantForCommandLine(arguments)) {
        std::ios::sync_with_stdio(false);
        return orvane::CommandLine::run(arguments, std::cout, std::cerr);
    }
    return orvane::OrvaneApp::run(argc, argv, arguments);
}
