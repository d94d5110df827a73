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

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>

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
    std::function<IntentFile(const IntentFile& image)> perform;
};

struct Action {
    std::string name;
    std::string title;
    std::string summary;
    std::vector<std::string> optionLines;
    std::vector<std::string> valueOptions; // options that take a value
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
    return {intent.outputFormat(), [intent](const IntentFile& image) mutable {
                intent.image = image;
                return intent.perform();
            }};
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
    return {intent.outputFormat(), [intent](const IntentFile& image) mutable {
                intent.image = image;
                return intent.perform(terminalProgress());
            }};
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
    return {intent.outputFormat(), [intent](const IntentFile& image) mutable {
                intent.image = image;
                return intent.perform();
            }};
}

Prepared prepareEnhance(const Invocation& invocation) {
    if (!invocation.options.empty()) {
        unknownOption(invocation, invocation.options.front().first);
    }
    return {EnhanceImageIntent::outputFormat(), [](const IntentFile& image) {
                EnhanceImageIntent intent;
                intent.image = image;
                return intent.perform(terminalProgress());
            }};
}

// In the order of the application's shortcuts.
const std::vector<Action>& actions() {
    static const std::vector<Action> table = {
        {"enlarge",
         EnlargeImageIntent::title,
         "Enlarge IMAGE SIZE",
         {"--size x2|x4|x8                   (default x4)",
          "--style photo|detail|art          (default photo)"},
         {"--size", "--style"},
         prepareEnlarge},
        {"convert",
         ConvertImageIntent::title,
         "Convert IMAGE to FORMAT",
         {"--format jpg|png|heic|webp|avif   (default jpg)",
          "--max-kb N                        size limit in KB, 10 to 50000 (default none)",
          "--remove-location | --keep-location  (default --remove-location)"},
         {"--format", "--max-kb"},
         prepareConvert},
        {"remove-background",
         RemoveBackgroundIntent::title,
         "Remove background from IMAGE",
         {"--background none|white|blur      (required)"},
         {"--background"},
         prepareRemoveBackground},
        {"enhance", EnhanceImageIntent::title, "Enhance IMAGE", {}, {}, prepareEnhance},
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

Invocation parse(const Action& action, const std::vector<std::string>& arguments) {
    Invocation invocation;
    invocation.action = action.name;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        std::string argument = arguments[i];
        if (argument.starts_with("--") && argument.size() > 2) {
            std::optional<std::string> value;
            if (const auto equals = argument.find('='); equals != std::string::npos) {
                value = argument.substr(equals + 1);
                argument.erase(equals);
            } else if (argument == "--output" ||
                       std::ranges::find(action.valueOptions, argument) != action.valueOptions.end()) {
                if (i + 1 >= arguments.size()) {
                    throw UsageError{"The option " + argument + " needs a value."};
                }
                value = arguments[++i];
            }
            if (argument == "--output") {
                invocation.output = value;
            } else if ((argument == "--beside" || argument == "--notify") && !value) {
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
    if (!invocation.image) {
        throw UsageError{"Give the image to " + action.name + "."};
    }
    if (invocation.beside && invocation.output) {
        throw UsageError{"Give either --output or --beside, not both."};
    }
    return invocation;
}

IntentFile readImage(const std::string& path) {
    auto bytes = FileBytes::read(path);
    if (!bytes) {
        throw Error("The file “" + fs::path(path).filename().string() + "” couldn't be opened.");
    }
    const std::string extension = fs::path(path).extension().string();
    return IntentFile{std::move(*bytes), fs::path(path).filename().string(),
                      extension.size() > 1 ? UniformType::fromFilenameExtension(extension.substr(1))
                                           : std::nullopt};
}

// A named output file must say what it holds: WebP bytes in "new.png" would mislead every program
// that opens it.
void requireFittingName(const OutputDestination& destination, ConvertFormat format) {
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

std::string helpText() {
    std::string text = "Usage: orvane ACTION [options] IMAGE\n\nActions:\n";
    for (const Action& action : actions()) {
        text += "  " + action.name + "\n      " + action.title + " — " + action.summary + "\n";
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
    }
    text +=
        "\nEvery action:\n"
        "  --output DIR|FILE|-   where the result goes (default: the current folder; - is standard output).\n"
        "                        An existing file is never replaced: \" 2\", \" 3\"… go before the "
        "extension.\n"
        "                        A FILE's extension must fit the format written.\n"
        "  --beside              put the result in the image's own folder instead\n"
        "  --notify              also tell the desktop when the result is ready or the action failed\n"
        "  --help                this text\n"
        "\n  orvane --version      the version of Orvane\n";
    return text;
}

int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    if (arguments.empty() || arguments.front() == "--help" || arguments.front() == "-h") {
        (arguments.empty() ? err : out) << helpText();
        return arguments.empty() ? usageError : success;
    }
    if (arguments.front() == "--version") {
        out << "Orvane " << AppVersion::versionText() << '\n';
        return success;
    }
    const Action* action = findAction(arguments.front());
    // Known before parsing, so that even a mistake on the command line reaches the desktop.
    const bool notify = std::ranges::find(arguments, "--notify") != arguments.end();
    const std::string notificationTitle = action != nullptr ? action->title : "Orvane";
    try {
        if (action == nullptr) {
            throw UsageError{"There is no action “" + arguments.front() + "”."};
        }
        if (std::ranges::find(arguments, "--help") != arguments.end()) {
            out << helpText();
            return success;
        }
        const Invocation invocation = parse(*action, arguments);
        const Prepared prepared = action->prepare(invocation);
        // Everything about where the result goes is settled before the image is even read.
        const OutputDestination destination =
            OutputDestination::resolve(invocation.output, invocation.beside, *invocation.image);
        requireFittingName(destination, prepared.format);
        destination.checkWritable();

        const IntentFile image = readImage(*invocation.image);
        const IntentFile result = prepared.perform(image);
        const std::optional<fs::path> written = destination.write(result, out);
        if (destination.kind() == OutputDestination::Kind::standardOutput && !out) {
            return failure;
        }
        if (written) {
            out << written->string() << '\n';
            // The desktop's actions have no terminal to print to.
            if (notify) {
                const fs::path folder = fs::absolute(*written).parent_path();
                DesktopNotification::show(notificationTitle, "“" + written->filename().string() +
                                                                 "” is ready in " + folder.string() + ".");
            }
        }
        return success;
    } catch (const UsageError& error) {
        err << "orvane: " << error.message << "\n\n" << helpText();
        if (notify) {
            DesktopNotification::show(notificationTitle, error.message);
        }
        return usageError;
    } catch (const Error& error) {
        err << error.what() << '\n';
        if (notify) {
            DesktopNotification::show(notificationTitle, error.what());
        }
        return failure;
    } catch (const std::exception& error) {
        err << "Something went wrong: " << error.what() << '\n';
        if (notify) {
            DesktopNotification::show(notificationTitle,
                                      std::string("Something went wrong: ") + error.what());
        }
        return failure;
    }
}

} // namespace orvane::CommandLine
