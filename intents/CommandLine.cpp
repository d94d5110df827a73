#include "intents/CommandLine.h"

#include "intents/ConvertImageIntent.h"
#include "intents/EnhanceImageIntent.h"
#include "intents/EnlargeImageIntent.h"
#include "intents/EnlargeShortcuts.h"
#include "intents/OutputDestination.h"
#include "intents/RemoveBackgroundIntent.h"
#include "platform/Error.h"
#include "platform/application/AppVersion.h"
#include "platform/application/DesktopNotification.h"
#include "platform/application/Terminal.h"
#include "platform/files/FileBytes.h"
#include "platform/files/FileError.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane::CommandLine {

namespace {

namespace fs = std::filesystem;

struct UsageError {
    std::string message;
};

// One action's command line after the shared options are taken out.
struct Invocation {
    std::string action;
    std::optional<std::string> image;
    std::optional<std::string> output;
    bool beside = false;
    bool notify = false;
    std::vector<std::pair<std::string, std::optional<std::string>>> options;
};

// An action with its options settled, ready to run on the image.
struct Prepared {
    ConvertFormat format; // of the file it returns
    std::function<IntentFile(IntentFile image)> perform;
    // The name of the file it returns for an image of that name.
    std::function<std::string(const std::string& imageName)> outputName;
};

// The action's name for its result, asked of the intent as it will run.
template <typename Intent> std::function<std::string(const std::string&)> outputNameOf(Intent intent) {
    return [intent](const std::string& imageName) mutable {
        intent.image.filename = imageName;
        return intent.outputName();
    };
}

struct Action {
    std::string name;
    std::string title;
    std::string working; // what it does to a photo, as the desktop is told while it works: "Enlarging"
    std::string summary;
    std::vector<std::string> optionLines;
    std::vector<std::string> valueOptions; // options that take a value
    std::vector<std::string> flagOptions;  // options that take none
    std::function<Prepared(const Invocation&)> prepare;
};

const std::string& requireValue(const std::string& option, const std::optional<std::string>& value) {
    if (!value) {
        throw UsageError{"The option " + option + " needs a value."};
    }
    return *value;
}

template <RawRepresentable T>
T parseOption(const std::string& option, const std::optional<std::string>& value) {
    const std::string& text = requireValue(option, value);
    if (const auto parsed = fromRawValue<T>(text)) {
        return *parsed;
    }
    std::string choices;
    for (const T choice : allCases<T>()) {
        choices += (choices.empty() ? "" : ", ") + std::string(rawValue(choice));
    }
    throw UsageError{option + " takes one of " + choices + "."};
}

[[noreturn]] void unknownOption(const Invocation& invocation, const std::string& option) {
    throw UsageError{invocation.action + " has no option " + option + "."};
}

long long parseKilobytes(const std::optional<std::string>& value) {
    const std::string& text = requireValue("--max-kb", value);
    long long kilobytes = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), kilobytes);
    if (error != std::errc{} || end != text.data() + text.size() ||
        kilobytes < ConvertImageIntent::minimumKB || kilobytes > ConvertImageIntent::maximumKB) {
        throw UsageError{"--max-kb takes a whole number from 10 to 50000."};
    }
    return kilobytes;
}

Prepared prepareConvert(const Invocation& invocation) {
    ConvertImageIntent intent;
    const auto given = [&](const std::string& name) {
        return std::ranges::find(invocation.options, name, [](const auto& option) { return option.first; }) !=
               invocation.options.end();
    };
    // The two contradict each other; the last one given must not silently win.
    if (given("--remove-location") && given("--keep-location")) {
        throw UsageError{"Give either --remove-location or --keep-location, not both."};
    }
    for (const auto& [option, value] : invocation.options) {
        if (option == "--format") {
            intent.format = parseOption<ConvertFormatOption>(option, value);
        } else if (option == "--max-kb") {
            intent.maxKB = parseKilobytes(value);
        } else if (option == "--remove-location" && !value) {
            intent.removeLocation = true;
        } else if (option == "--keep-location" && !value) {
            intent.removeLocation = false;
        } else {
            unknownOption(invocation, option);
        }
    }
    return {intent.outputFormat(),
            [intent](IntentFile image) mutable {
                intent.image = std::move(image);
                return intent.perform();
            },
            outputNameOf(intent)};
}

// Tile progress on standard error, only for a person watching a terminal.
Upscaler::ProgressHandler terminalProgress() {
    if (!Terminal::showsStandardError()) {
        return {};
    }
    return [](const UpscaleProgress& progress) {
        std::fprintf(stderr, "\rPass %d of %d, tile %d of %d (%3.0f%%)", progress.pass, progress.passes,
                     progress.tile, progress.tiles, progress.fraction * 100);
        if (progress.fraction >= 1) {
            std::fputc('\n', stderr);
        }
        std::fflush(stderr);
    };
}

Prepared prepareEnlarge(const Invocation& invocation) {
    EnlargeImageIntent intent;
    for (const auto& [option, value] : invocation.options) {
        if (option == "--size") {
            intent.size = parseOption<EnlargeSizeOption>(option, value);
        } else if (option == "--style") {
            intent.style = parseOption<StyleOption>(option, value);
        } else {
            unknownOption(invocation, option);
        }
    }
    return {intent.outputFormat(),
            [intent](IntentFile image) mutable {
                intent.image = std::move(image);
                return intent.perform(terminalProgress());
            },
            outputNameOf(intent)};
}

Prepared prepareRemoveBackground(const Invocation& invocation) {
    RemoveBackgroundIntent intent;
    bool chosen = false;
    for (const auto& [option, value] : invocation.options) {
        if (option == "--background") {
            intent.background = parseOption<BackgroundOption>(option, value);
            chosen = true;
        } else {
            unknownOption(invocation, option);
        }
    }
    // There is no default backdrop: the person always chooses one.
    if (!chosen) {
        throw UsageError{"Choose a background with --background none, white or blur."};
    }
    return {intent.outputFormat(),
            [intent](IntentFile image) mutable {
                intent.image = std::move(image);
                return intent.perform();
            },
            outputNameOf(intent)};
}

Prepared prepareEnhance(const Invocation& invocation) {
    if (!invocation.options.empty()) {
        unknownOption(invocation, invocation.options.front().first);
    }
    return {EnhanceImageIntent::outputFormat(),
            [](IntentFile image) {
                EnhanceImageIntent intent;
                intent.image = std::move(image);
                return intent.perform(terminalProgress());
            },
            outputNameOf(EnhanceImageIntent{})};
}

// In the order of the application's shortcuts.
const std::vector<Action>& actions() {
    static const std::vector<Action> table = {
        {"enlarge",
         EnlargeImageIntent::title,
         "Enlarging",
         "Enlarge IMAGE SIZE",
         {"--size x2|x4|x8                   (default x4)",
          "--style photo|detail|art          (default photo)"},
         {"--size", "--style"},
         {},
         prepareEnlarge},
        {"convert",
         ConvertImageIntent::title,
         "Converting",
         "Convert IMAGE to FORMAT",
         {"--format jpg|png|heic|webp|avif   (default jpg)",
          "--max-kb N                        size limit in KB, 10 to 50000 (default none)",
          "--remove-location | --keep-location  (default --remove-location)"},
         {"--format", "--max-kb"},
         {"--remove-location", "--keep-location"},
         prepareConvert},
        {"remove-background",
         RemoveBackgroundIntent::title,
         "Removing the background from",
         "Remove background from IMAGE",
         {"--background none|white|blur      (required)"},
         {"--background"},
         {},
         prepareRemoveBackground},
        {"enhance", EnhanceImageIntent::title, "Enhancing", "Enhance IMAGE", {}, {}, {}, prepareEnhance},
    };
    return table;
}

const AppShortcut* shortcutFor(const std::string& action) {
    const auto& shortcuts = EnlargeShortcuts::appShortcuts();
    const auto found = std::ranges::find(shortcuts, action, &AppShortcut::action);
    return found == shortcuts.end() ? nullptr : &*found;
}

const Action* findAction(const std::string& name) {
    const auto found = std::ranges::find(actions(), name, &Action::name);
    return found == actions().end() ? nullptr : &*found;
}

bool takes(const std::vector<std::string>& options, const std::string& option) {
    return std::ranges::find(options, option) != options.end();
}

// The arguments before "--", which ends the options: only there can an option be given.
std::vector<std::string> optionPart(const std::vector<std::string>& arguments) {
    return std::vector<std::string>(arguments.begin(), std::ranges::find(arguments, "--"));
}

// `imageCanBeAsked`: a missing image is no mistake, since the person will be asked for it.
Invocation parse(const Action& action, const std::vector<std::string>& arguments, bool imageCanBeAsked) {
    Invocation invocation;
    invocation.action = action.name;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        std::string argument = arguments[i];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && argument.starts_with('-') && argument.size() > 1) {
            std::optional<std::string> value;
            if (const auto equals = argument.find('=');
                argument.starts_with("--") && equals != std::string::npos) {
                value = argument.substr(equals + 1);
                argument.erase(equals);
            }
            const bool takesValue = argument == "--output" || takes(action.valueOptions, argument);
            const bool isFlag =
                argument == "--beside" || argument == "--notify" || takes(action.flagOptions, argument);
            // An option of another action, or of none, is refused here, before its value could be
            // mistaken for a second image.
            if (!takesValue && !isFlag) {
                unknownOption(invocation, argument);
            }
            if (isFlag && value) {
                throw UsageError{"The option " + argument + " takes no value."};
            }
            if (takesValue && !value) {
                if (i + 1 >= arguments.size()) {
                    throw UsageError{"The option " + argument + " needs a value."};
                }
                value = arguments[++i];
            }
            if (argument == "--output") {
                if (value->empty()) {
                    throw UsageError{"The option --output was given an empty name. Give a folder, a file "
                                     "name, or - for standard output."};
                }
                invocation.output = value;
            } else if (argument == "--beside" || argument == "--notify") {
                (argument == "--beside" ? invocation.beside : invocation.notify) = true;
            } else {
                invocation.options.emplace_back(argument, value);
            }
        } else if (!invocation.image) {
            invocation.image = argument;
        } else {
            throw UsageError{"Give one image."};
        }
    }
    if (!invocation.image && !(imageCanBeAsked && invocation.notify)) {
        throw UsageError{"Give the image to " + action.name + "."};
    }
    if (invocation.beside && invocation.output) {
        throw UsageError{"Give either --output or --beside, not both."};
    }
    return invocation;
}

// Why the image at `path` can't be read, in the words of the sentence that says so; empty when it
// can be tried.
std::string unreadableReason(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return errno == EACCES ? ": you don't have permission to open it" : "";
    }
    if (S_ISDIR(status.st_mode)) {
        return ": it is a folder";
    }
    if (!S_ISREG(status.st_mode)) {
        return ": it isn't a regular file";
    }
    if (::access(path.c_str(), R_OK) != 0 && errno == EACCES) {
        return ": you don't have permission to read it";
    }
    return "";
}

IntentFile readImage(const std::string& path) {
    const std::string name = fs::path(path).filename().string();
    // Only a regular file is read: a named pipe or a device would keep the action waiting.
    const std::string reason = unreadableReason(path);
    auto bytes = reason.empty() ? FileBytes::read(path) : std::nullopt;
    if (!bytes) {
        throw Error("The file “" + name + "” couldn't be opened" + reason + ".");
    }
    const std::string extension = fs::path(path).extension().string();
    return IntentFile{std::move(*bytes), name,
                      extension.size() > 1 ? UniformType::fromFilenameExtension(extension.substr(1))
                                           : std::nullopt};
}

// A named output file must say what it holds: WebP bytes in "new.png" would mislead every program
// that opens it.
void requireFittingName(const OutputDestination& destination, ConvertFormat format) {
    // A name without an extension is most often a folder that was meant to be there: writing a
    // file of that name would hide the result where nobody looks for it.
    if (destination.kind() == OutputDestination::Kind::file &&
        destination.path().extension().string().size() <= 1) {
        // A pipe or a device counts as a taken name; it is never written into.
        std::error_code error;
        if (fs::exists(fs::symlink_status(destination.path(), error))) {
            throw UsageError{"“" + destination.path().string() +
                             "” isn't a folder. Give a folder, a name ending in ." + fileExtension(format) +
                             ", or - for standard output."};
        }
        throw UsageError{"There is no folder “" + destination.path().string() + "”. End the name in ." +
                         fileExtension(format) + " to write a file of that name, or make the folder first."};
    }
    if (destination.kind() == OutputDestination::Kind::file && !extensionFits(destination.path(), format)) {
        throw UsageError{"The result is a " + title(format) + " file, but --output names “" +
                         destination.path().string() + "”. End the name in ." + fileExtension(format) +
                         ", or give a folder."};
    }
}

} // namespace

bool namesAction(const std::vector<std::string>& arguments) {
    return !arguments.empty() &&
           (findAction(arguments.front()) != nullptr || arguments.front() == "--version");
}

bool meantForCommandLine(const std::vector<std::string>& arguments) {
    if (arguments.empty()) {
        return false;
    }
    const std::string& first = arguments.front();
    if (namesAction(arguments) || first.starts_with('-')) {
        return true;
    }
    // A bare word that names no file or folder can only be a mistyped action; the window would
    // only say that there is no display, or that the file is missing.
    std::error_code error;
    return first.find_first_of("./") == std::string::npos &&
           fs::symlink_status(first, error).type() == fs::file_type::not_found;
}

namespace {

std::string actionSection(const Action& action) {
    std::string text = "  " + action.name + "\n      " + action.title + " — " + action.summary + "\n";
    for (const std::string& line : action.optionLines) {
        text += "      " + line + "\n";
    }
    if (const AppShortcut* shortcut = shortcutFor(action.name)) {
        std::string phrases;
        for (const std::string& phrase : shortcut->phrases) {
            phrases += (phrases.empty() ? "" : ", ") + ("“" + EnlargeShortcuts::spoken(phrase) + "”");
        }
        text += "      Say: " + phrases + "\n";
    }
    return text;
}

const std::string sharedOptions =
    "  --output DIR|FILE|-   where the result goes (default: the current folder; - is standard output).\n"
    "                        An existing file is never replaced: \" 2\", \" 3\"… go before the "
    "extension.\n"
    "                        A FILE's extension must fit the format written.\n"
    "  --beside              put the result in the image's own folder instead\n"
    "  --notify              also tell the desktop when the result is ready or the action failed\n"
    "  --help, -h            this text\n"
    "  --                    ends the options: what follows is the image, even if it starts with -\n";

std::string actionHelpText(const Action& action) {
    return "Usage: orvane " + action.name + " [options] IMAGE\n\n" + actionSection(action) +
           "\nEvery action:\n" + sharedOptions;
}

std::string actionNames() {
    std::string names;
    for (std::size_t i = 0; i < actions().size(); ++i) {
        names += (i == 0 ? "" : i + 1 == actions().size() ? " and " : ", ") + actions()[i].name;
    }
    return names;
}

bool asksForHelp(const std::vector<std::string>& arguments) {
    const std::vector<std::string> options = optionPart(arguments);
    return std::ranges::find(options, "--help") != options.end() ||
           std::ranges::find(options, "-h") != options.end();
}

} // namespace

std::string helpText() {
    std::string text = "Usage: orvane ACTION [options] IMAGE\n\nActions:\n";
    for (const Action& action : actions()) {
        text += actionSection(action);
    }
    text += "\nEvery action:\n" + sharedOptions + "\n  orvane --version      the version of Orvane\n";
    return text;
}

int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
        const Desktop& desktop) {
    if (arguments.empty() || arguments.front() == "--help" || arguments.front() == "-h") {
        (arguments.empty() ? err : out) << helpText();
        return arguments.empty() ? usageError : success;
    }
    if (arguments.front() == "--version" && arguments.size() == 1) {
        out << "Orvane " << AppVersion::versionText() << '\n';
        return success;
    }
    const Action* action = findAction(arguments.front());
    // Known before parsing, so that even a mistake on the command line reaches the desktop.
    const std::vector<std::string> options = optionPart(arguments);
    const bool notify = std::ranges::find(options, "--notify") != options.end();
    const std::string notificationTitle = action != nullptr ? action->title : "Orvane";
    // Names come from the command line and the file system; on a terminal they must not be able
    // to move the cursor or send it commands.
    const auto tell = [&](std::ostream& stream, const std::string& line) {
        stream << Terminal::printable(line) << '\n';
    };
    // Nobody reads the standard error of an action the desktop started; where its notifier is
    // missing, a failure still has to reach the person. One notification tells the work, then
    // its end, in the same place.
    DesktopNotification notification;
    const auto tellDesktopOfFailure = [&](const std::string& message) {
        if (notify && !notification.show(notificationTitle, message, DesktopNotification::Look::failure) &&
            desktop.showMessage) {
            desktop.showMessage(notificationTitle, message);
        }
    };
    try {
        if (arguments.front() == "--version") {
            throw UsageError{"--version takes no other arguments."};
        }
        if (action == nullptr) {
            throw UsageError{"There is no action “" + arguments.front() + "”. The actions are " +
                             actionNames() + "."};
        }
        if (asksForHelp(arguments)) {
            out << actionHelpText(*action);
            return success;
        }
        Invocation invocation = parse(*action, arguments, static_cast<bool>(desktop.askForImage));
        const Prepared prepared = action->prepare(invocation);
        if (!invocation.image) {
            const std::optional<fs::path> chosen = desktop.askForImage(action->title);
            if (!chosen) {
                return success;
            }
            invocation.image = chosen->string();
        }
        // Everything about where the result goes is settled before the image is even read.
        const OutputDestination destination =
            OutputDestination::resolve(invocation.output, invocation.beside, *invocation.image);
        requireFittingName(destination, prepared.format);
        destination.checkWritable(prepared.outputName(fs::path(*invocation.image).filename().string()));

        // The work can take minutes on a large photo; the desktop shows nothing of it otherwise.
        if (notify) {
            notification.show(action->title, action->working + " “" +
                                                 fs::path(*invocation.image).filename().string() + "”…");
        }
        const IntentFile result = prepared.perform(readImage(*invocation.image));
        const std::optional<fs::path> written = destination.write(result, out);
        if (written) {
            errno = 0;
            tell(out, written->string());
            // The path is all the action prints: a script that never reads it has no result.
            if (!out.flush()) {
                const int error = errno;
                throw Error("The result was written to “" + written->string() +
                            "”, but its name couldn't be written to standard output" +
                            (error == 0 ? "" : ": " + FileError::writeFailureReason(error)) + ".");
            }
            // The desktop's actions have no terminal to print to.
            if (notify) {
                const fs::path folder = fs::absolute(*written).parent_path();
                notification.show(notificationTitle, "“" + written->filename().string() + "” is ready in " +
                                                         folder.string() + ".");
            }
        }
        return success;
    } catch (const UsageError& error) {
        tell(err, "orvane: " + error.message);
        tell(err, action != nullptr ? "orvane " + action->name + " --help lists its options."
                                    : "orvane --help lists the actions.");
        tellDesktopOfFailure(error.message);
        return usageError;
    } catch (const Error& error) {
        tell(err, error.what());
        tellDesktopOfFailure(error.what());
        return failure;
    } catch (const std::exception& error) {
        const std::string message = std::string("Something went wrong: ") + error.what();
        tell(err, message);
        tellDesktopOfFailure(message);
        return failure;
    }
}

} // namespace orvane::CommandLine
