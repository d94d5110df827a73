#include "intents/CommandLine.h"

#include "intents/ConvertImageIntent.h"
#include "platform/AtomicFile.h"
#include "platform/Error.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>

namespace orvane::CommandLine {

namespace {

namespace fs = std::filesystem;

struct UsageError {
    std::string message;
};

// The options every action shares: the input image and where its result goes.
struct Invocation {
    std::string action;
    std::optional<std::string> image;
    std::optional<std::string> output;
    std::vector<std::pair<std::string, std::optional<std::string>>> options;
};

const std::vector<std::string>& actions() {
    static const std::vector<std::string> names = {"convert"};
    return names;
}

bool takesValue(const std::string& option) {
    return option == "--format" || option == "--max-kb" || option == "--output";
}

Invocation parse(const std::vector<std::string>& arguments) {
    Invocation invocation;
    invocation.action = arguments.at(0);
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        std::string argument = arguments[i];
        if (argument.starts_with("--") && argument.size() > 2) {
            std::optional<std::string> value;
            if (const auto equals = argument.find('='); equals != std::string::npos) {
                value = argument.substr(equals + 1);
                argument.erase(equals);
            } else if (takesValue(argument)) {
                if (i + 1 >= arguments.size()) {
                    throw UsageError{"The option " + argument + " needs a value."};
                }
                value = arguments[++i];
            }
            if (argument == "--output") {
                invocation.output = value;
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
        throw UsageError{"Give the image to " + invocation.action + "."};
    }
    return invocation;
}

long long parseKilobytes(const std::string& text) {
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < ConvertImageIntent::minimumKB ||
        value > ConvertImageIntent::maximumKB) {
        throw UsageError{"--max-kb takes a whole number from 10 to 50000."};
    }
    return value;
}

IntentFile readImage(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file || fs::is_directory(path)) {
        throw Error("The file “" + fs::path(path).filename().string() + "” couldn't be opened.");
    }
    Bytes bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const std::string extension = fs::path(path).extension().string();
    return IntentFile{std::move(bytes), fs::path(path).filename().string(),
                      extension.size() > 1 ? UniformType::fromFilenameExtension(extension.substr(1))
                                           : std::nullopt};
}

IntentFile runConvert(const Invocation& invocation, const IntentFile& image) {
    ConvertImageIntent intent;
    intent.image = image;
    for (const auto& [option, value] : invocation.options) {
        if (option == "--format") {
            const auto format = fromRawValue<ConvertFormatOption>(*value);
            if (!format) {
                throw UsageError{"--format takes jpg, png, heic, webp or avif."};
            }
            intent.format = *format;
        } else if (option == "--max-kb") {
            intent.maxKB = parseKilobytes(*value);
        } else if (option == "--remove-location" && !value) {
            intent.removeLocation = true;
        } else if (option == "--keep-location" && !value) {
            intent.removeLocation = false;
        } else {
            throw UsageError{"convert has no option " + option + "."};
        }
    }
    return intent.perform();
}

fs::path destinationFor(const std::optional<std::string>& output, const std::string& filename) {
    if (!output) {
        return fs::path(filename);
    }
    const fs::path target(*output);
    std::error_code error;
    if (fs::is_directory(target, error) || output->ends_with('/')) {
        return target / filename;
    }
    return target;
}

} // namespace

bool namesAction(const std::vector<std::string>& arguments) {
    return !arguments.empty() && std::ranges::find(actions(), arguments.front()) != actions().end();
}

std::string helpText() {
    return "Usage: orvane ACTION [options] IMAGE\n"
           "\n"
           "Actions:\n"
           "  convert    Convert Image — Convert IMAGE to FORMAT\n"
           "             --format jpg|png|heic|webp|avif   (default jpg)\n"
           "             --max-kb N                        size limit in KB, 10 to 50000 (default none)\n"
           "             --remove-location | --keep-location  (default --remove-location)\n"
           "\n"
           "Every action:\n"
           "  --output DIR|FILE|-   where the result goes (default: the current folder; - is standard "
           "output).\n"
           "                        An existing file is never replaced: \" 2\", \" 3\"… go before the "
           "extension.\n"
           "  --help                this text\n";
}

int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    if (arguments.empty() || arguments.front() == "--help" || arguments.front() == "-h") {
        (arguments.empty() ? err : out) << helpText();
        return arguments.empty() ? usageError : success;
    }
    try {
        if (!namesAction(arguments)) {
            throw UsageError{"There is no action “" + arguments.front() + "”."};
        }
        if (std::ranges::find(arguments, "--help") != arguments.end()) {
            out << helpText();
            return success;
        }
        const Invocation invocation = parse(arguments);
        const IntentFile image = readImage(*invocation.image);
        const IntentFile result = runConvert(invocation, image);
        if (invocation.output == "-") {
            out.write(reinterpret_cast<const char*>(result.data.data()),
                      static_cast<std::streamsize>(result.data.size()));
            out.flush();
            return out ? success : failure;
        }
        const fs::path written =
            AtomicFile::writeNew(destinationFor(invocation.output, result.filename), result.data);
        out << written.string() << '\n';
        return success;
    } catch (const UsageError& error) {
        err << "orvane: " << error.message << "\n\n" << helpText();
        return usageError;
    } catch (const Error& error) {
        err << error.what() << '\n';
        return failure;
    } catch (const std::exception& error) {
        err << "Something went wrong: " << error.what() << '\n';
        return failure;
    }
}

} // namespace orvane::CommandLine
