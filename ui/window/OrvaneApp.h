#pragma once

#include <string>
#include <vector>

// The application: one window over the user's gallery. Files given on the command line come in as
// if dropped on the window.
namespace orvane::OrvaneApp {

// Runs the window until it closes; the process's exit status. Without a display it says so in one
// line and returns 1.
int run(int& argc, char** argv, const std::vector<std::string>& files);

// Whether a window system can be reached, judged from the environment alone.
bool hasDisplay();

} // namespace orvane::OrvaneApp
