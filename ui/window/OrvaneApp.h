#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QApplication;
class QWidget;

// The application: one window over the user's gallery. Files given on the command line come in as
// if dropped on the window.
namespace orvane::OrvaneApp {

// Runs the window until it closes, and then ends the process with its exit status once nothing
// is left to finish. Without a display it says so in one line and returns 1.
int run(int& argc, char** argv, const std::vector<std::string>& files);

// Calls `then` once `window`, shown, is on the screen (exposed) and its first frame is drawn.
void whenShown(QWidget& window, std::function<void()> then);

// Whether a window system can be reached, judged from the environment alone.
bool hasDisplay();

// The application object as the window has it: the desktop's own file panels, and the name and
// icon the desktop shows. Needs a display; where the one named can't be reached, it says so in one
// line and ends the process with 1.
std::unique_ptr<QApplication> makeApplication(int& argc, char** argv);

} // namespace orvane::OrvaneApp
