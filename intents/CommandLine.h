#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace orvane::CommandLine {

// Exit statuses of `orvane ACTION …`.
constexpr int success = 0;
constexpr int failure = 1;
constexpr int usageError = 2;

// Whether the arguments (without the program name) ask for an action, or for the version, rather
// than the window.
bool namesAction(const std::vector<std::string>& arguments);

// Whether the arguments are for the command line rather than the window: an action, an option, or
// a first word that can only be meant as an action (no extension, no folder in it, and nothing of
// that name exists), so that a mistyped action is told so.
bool meantForCommandLine(const std::vector<std::string>& arguments);

// Runs one action from the command line: reads the image, runs the action, and writes the file
// it returns into the current folder, or where --output says, never over an existing file. The
// written path goes to `out`; errors, in the action's own words, to `err`. With "--output -" the
// file's bytes go to `out` instead. A usage error prints its one line and where the action's help
// is; `--` ends the options; names are printed safely for a terminal.
int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

std::string helpText();

} // namespace orvane::CommandLine
