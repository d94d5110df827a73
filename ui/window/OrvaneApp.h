#pragma once

#include <memory>
#include <string>
#include <vector>

class QApplication;

// The application: one window over the user's gallery. Files given on the command line come in as
// if dropped on the window.
namespace orvane::OrvaneApp {

// Runs the window until it closes; the process's exit status. Without a display it says so in one
// line and returns 1.
int run(int& argc, char** argv, const std::vector<std::string>& files);

// Whether a window system can be reached, judged from the environment alone.
bool hasDisplay();

// The application object as the window has it: the desktop's own file panels, and the name and
// icon the desktop shows. Needs a display; where the one named can't be reached, it says so in one
// line and ends the process with 1.
std::unique_ptr<QApplication> makeApplication(int& argc, char** argv);

} // namespace orvane::OrvaneApp
