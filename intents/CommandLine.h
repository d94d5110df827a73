#pragma once

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
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

// What the desktop lends an action started from it (--notify) when there is a display to show
// things on. Either may be missing; the action then does without it.
struct Desktop {
    // Asks the person for the image, for the action of that title, when none was given (a
    // launcher starts the actions without one); none when they cancelled.
    std::function<std::optional<std::filesystem::path>(const std::string& title)> askForImage;
    // Shows a failure that the desktop's notifier could not, until the person has read it.
    std::function<void(const std::string& title, const std::string& message)> showMessage;
};

// Runs one action from the command line: reads the image, runs the action, and writes the file
// it returns into the current folder, or where --output says, never over an existing file. The
// written path goes to `out` (the action fails when it can't be printed there); errors, in the
// action's own words, to `err`. With "--output -" the file's bytes go to `out` instead. A usage
// error prints its one line and where the action's help is; `--` ends the options; names are
// printed safely for a terminal. An action for the desktop without an image asks `desktop` for
// one, and ends quietly with success when the person cancels.
int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
        const Desktop& desktop = {});

std::string helpText();

} // namespace orvane::CommandLine
