#include "intents/CommandLine.h"
#include "platform/image/ImageSource.h"
#include "tests/intents/CommandLineRun.h"
#include "tests/support/FolderContents.h"
#include "tests/support/FuseMount.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

std::string firstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

// 4 July 2021, 15:30 at +02:00: the capture date of test::cameraProperties().
constexpr std::time_t captured = 1'625'405'400;

std::time_t modified(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mtim.tv_sec : 0;
}

class CommandLineOutput : public testing::Test {
protected:
    void SetUp() override {
        const Bytes jpeg =
            test::encoded(test::gradient(120, 80), ConvertFormat::jpeg, test::cameraProperties());
        fs::create_directory(folder / "Trip");
        std::ofstream(photo(), std::ios::binary)
            .write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(jpeg.size()));
        std::ofstream(folder / "notes.jpg") << "just text";
    }
    fs::path photo() const { return folder / "Trip" / "holiday.jpg"; }
    std::size_t filesIn(const fs::path& path) const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(path), fs::directory_iterator()));
    }
    test::TemporaryDirectory folder;
};

} // namespace

TEST_F(CommandLineOutput, ANamedFileMustFitTheFormatWritten) {
    const auto webpAsPng = test::runCommandLine(
        {"convert", photo().string(), "--format", "webp", "--output", (folder / "new.png").string()});
    EXPECT_EQ(webpAsPng.status, CommandLine::usageError);
    EXPECT_EQ(firstLine(webpAsPng.err), "orvane: The result is a WebP file, but --output names “" +
                                            (folder / "new.png").string() +
                                            "”. End the name in .webp, or give a folder.");
    // Refused before any work: no network is needed to refuse these.
    EXPECT_EQ(
        test::runCommandLine({"enlarge", photo().string(), "--output", (folder / "big.png").string()}).status,
        CommandLine::usageError);
    EXPECT_EQ(test::runCommandLine({"remove-background", photo().string(), "--background", "none", "--output",
                                    (folder / "cut.jpg").string()})
                  .status,
              CommandLine::usageError);
    EXPECT_EQ(filesIn(folder.path()), 2u);

    for (const auto& [format, name] : std::vector<std::pair<std::string, std::string>>{
             {"webp", "NEW.WEBP"}, {"jpg", "old.jpeg"}, {"heic", "still.heif"}}) {
        const auto fits = test::runCommandLine(
            {"convert", photo().string(), "--format", format, "--output", (folder / name).string()});
        EXPECT_EQ(fits.status, CommandLine::success) << name << fits.err;
    }
}

TEST_F(CommandLineOutput, WhereTheResultGoesIsCheckedBeforeTheImageIsRead) {
    // A text file would fail as unreadable; the missing folder is found first.
    const fs::path missing = folder / "missing" / "";
    const auto folderGone =
        test::runCommandLine({"convert", (folder / "notes.jpg").string(), "--output", missing.string()});
    EXPECT_EQ(folderGone.status, CommandLine::failure);
    // The message names the file the result would have been, as every other save error does.
    EXPECT_EQ(folderGone.err, "The file couldn't be saved to “" + (missing / "notes.jpg").string() +
                                  "”: the folder doesn't exist.\n");
    const auto fileInGoneFolder =
        test::runCommandLine({"remove-background", (folder / "notes.jpg").string(), "--background", "white",
                              "--output", (folder / "missing" / "cut.jpg").string()});
    EXPECT_EQ(fileInGoneFolder.err, "The file couldn't be saved to “" +
                                        (folder / "missing" / "cut.jpg").string() +
                                        "”: the folder doesn't exist.\n");
    EXPECT_FALSE(fs::exists(folder / "missing"));
}

namespace {

bool isPipe(const fs::path& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISFIFO(status.st_mode);
}

} // namespace

TEST_F(CommandLineOutput, PipesSocketsAndDevicesAreTakenNamesNeverWrittenInto) {
    // A reader that never blocks: were the pipe opened for writing, the bytes would show here instead
    // of the action waiting for ever.
    const fs::path pipe = folder / "out.png";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    const auto named =
        test::runCommandLine({"convert", photo().string(), "--format", "png", "--output", pipe.string()});
    EXPECT_EQ(named.status, CommandLine::success) << named.err;
    EXPECT_EQ(named.out, (folder / "out 2.png").string() + "\n");
    char byte = 0;
    EXPECT_LE(::read(reader, &byte, 1), 0) << "the pipe was written into";
    ::close(reader);
    EXPECT_TRUE(isPipe(pipe));

    // The same in a folder, where the result's own name is a pipe, and for a socket.
    ASSERT_EQ(::mkfifo((folder / "Trip" / "holiday.png").c_str(), 0600), 0);
    const auto inFolder = test::runCommandLine(
        {"convert", photo().string(), "--format", "png", "--output", (folder / "Trip").string()});
    EXPECT_EQ(inFolder.out, (folder / "Trip" / "holiday 2.png").string() + "\n") << inFolder.err;
    EXPECT_TRUE(isPipe(folder / "Trip" / "holiday.png"));
    const fs::path socketPath = folder / "socket.png";
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.string().size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    const auto toSocket = test::runCommandLine(
        {"convert", photo().string(), "--format", "png", "--output", socketPath.string()});
    EXPECT_EQ(toSocket.out, (folder / "socket 2.png").string() + "\n") << toSocket.err;
    ::close(socket);

    // Standard output, by any of its names, is the one stream written to.
    for (const std::string name : {"-", "/dev/stdout", "/dev/fd/1"}) {
        const auto toStandardOutput = test::runCommandLine({"convert", photo().string(), "--output", name});
        EXPECT_EQ(toStandardOutput.status, CommandLine::success) << name;
        const auto source = ImageSource::create(std::span(
            reinterpret_cast<const std::uint8_t*>(toStandardOutput.out.data()), toStandardOutput.out.size()));
        ASSERT_TRUE(source.has_value()) << name;
        EXPECT_EQ(source->typeIdentifier(), "public.jpeg");
    }
    // Other devices are names like any other, taken and without an extension.
    for (const std::string device : {"/dev/null", "/dev/full", "/dev/stderr"}) {
        const auto toDevice = test::runCommandLine({"convert", photo().string(), "--output", device});
        EXPECT_EQ(toDevice.status, CommandLine::usageError) << device;
        EXPECT_EQ(firstLine(toDevice.err), "orvane: “" + device +
                                               "” isn't a folder. Give a folder, a name ending in .jpg, or - "
                                               "for standard output.");
    }
    EXPECT_FALSE(fs::exists("/dev/stdout 2"));
    EXPECT_FALSE(fs::exists("/dev/null 2"));
}

TEST_F(CommandLineOutput, AConvertedFileIsDatedWithTheCaptureDate) {
    const auto intoFolder =
        test::runCommandLine({"convert", photo().string(), "--output", (folder / "Trip").string()});
    ASSERT_EQ(intoFolder.status, CommandLine::success) << intoFolder.err;
    EXPECT_EQ(modified(folder / "Trip" / "holiday 2.jpg"), captured);
    // WebP carries no metadata, but the file is still dated.
    const auto named = test::runCommandLine(
        {"convert", photo().string(), "--format", "webp", "--output", (folder / "h.webp").string()});
    ASSERT_EQ(named.status, CommandLine::success) << named.err;
    EXPECT_EQ(modified(folder / "h.webp"), captured);
    // An action that makes a new image has no capture date to keep.
    const Bytes png = test::encoded(test::gradient(40, 30), ConvertFormat::png);
    std::ofstream(folder / "plain.png", std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    ASSERT_EQ(
        test::runCommandLine({"convert", (folder / "plain.png").string(), "--output", folder.path().string()})
            .status,
        CommandLine::success);
    EXPECT_GT(modified(folder / "plain.jpg"), captured + 86400 * 365);
}

TEST_F(CommandLineOutput, APhotoWithALongNameIsWrittenUnderAShorterOne) {
    const fs::path longest = folder / (std::string(251, 'w') + ".jpg");
    fs::copy_file(photo(), longest);
    for (const std::string& expected : {std::string(250, 'w') + ".webp", std::string(248, 'w') + " 2.webp"}) {
        const auto run = test::runCommandLine(
            {"convert", longest.string(), "--format", "webp", "--output", (folder / "Trip").string()});
        EXPECT_EQ(run.status, CommandLine::success) << run.err;
        EXPECT_TRUE(fs::exists(folder / "Trip" / expected));
    }
}

// The desktop's actions run without a terminal, from whatever folder the launcher has.
class DesktopActions : public CommandLineOutput {
protected:
    void SetUp() override {
        CommandLineOutput::SetUp();
        // A notifier that only records what it was asked to show, and numbers it as libnotify's
        // does when asked.
        fs::create_directory(folder / "bin");
        installNotifier("case \" $* \" in *' --print-id '*) echo 42;; esac\n");
        savedPath_ = std::getenv("PATH") ? std::getenv("PATH") : "";
        ::setenv("PATH", ((folder / "bin").string() + ":" + savedPath_).c_str(), 1);
    }
    void TearDown() override { ::setenv("PATH", savedPath_.c_str(), 1); }

    // The arguments of a desktop action's Exec line, with %f standing for `image`, or left out
    // without one, as a launcher leaves it out.
    static std::vector<std::string> execArguments(const std::string& action,
                                                  const std::optional<fs::path>& image) {
        std::ifstream file(fs::path(ORVANE_SOURCE_DIR) / "app" / "orvane.desktop");
        std::string line;
        bool inGroup = false;
        while (std::getline(file, line)) {
            if (line.starts_with("[")) {
                inGroup = line == "[Desktop Action " + action + "]";
            } else if (inGroup && line.starts_with("Exec=")) {
                std::istringstream words(line.substr(5));
                std::vector<std::string> arguments;
                for (std::string word; words >> word;) {
                    if (word != "%f") {
                        arguments.push_back(word);
                    } else if (image) {
                        arguments.push_back(image->string());
                    }
                }
                arguments.erase(arguments.begin()); // the program
                return arguments;
            }
        }
        return {};
    }
    std::string shown() const {
        std::ifstream file(folder / "bin" / "shown");
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }
    // A notifier that is there but can show nothing, as without a notification daemon.
    void breakNotifier() { installNotifier("exit 1\n"); }
    // A notifier that records what it shows and then does `then`.
    void installNotifier(const std::string& then) {
        std::ofstream(folder / "bin" / "notify-send")
            << "#!/bin/sh\nprintf '%s\\n' \"$@\" >> \"$(dirname \"$0\")/shown\"\n"
            << then;
        fs::permissions(folder / "bin" / "notify-send", fs::perms::owner_all);
    }

private:
    std::string savedPath_;
};

TEST_F(DesktopActions, WriteBesideThePhotoUnderTheirOwnNameAndNotify) {
    for (const std::string action : {"enlarge", "convert", "remove-background", "enhance"}) {
        const auto arguments = execArguments(action, photo());
        ASSERT_FALSE(arguments.empty()) << action;
        EXPECT_EQ(arguments.front(), action);
        EXPECT_NE(std::ranges::find(arguments, "--beside"), arguments.end()) << action;
        EXPECT_NE(std::ranges::find(arguments, "--notify"), arguments.end()) << action;
    }
    const auto first = test::runCommandLine(execArguments("convert", photo()));
    ASSERT_EQ(first.status, CommandLine::success) << first.err;
    EXPECT_EQ(first.out, (folder / "Trip" / "holiday 2.jpg").string() + "\n"); // holiday.jpg is the photo
    const auto second = test::runCommandLine(execArguments("convert", photo()));
    EXPECT_EQ(second.out, (folder / "Trip" / "holiday 3.jpg").string() + "\n");
    EXPECT_EQ(modified(folder / "Trip" / "holiday 3.jpg"), captured);
    // Each run says it has begun, then the result takes the place of that.
    const std::string begun = "--app-name=Orvane\n--icon=image-x-generic\n--print-id\n--\nConvert "
                              "Image\nConverting “holiday.jpg”…\n";
    const auto ready = [&](const std::string& name) {
        return "--app-name=Orvane\n--icon=image-x-generic\n--replace-id=42\n--print-id\n--\nConvert "
               "Image\n“" +
               name + "” is ready in " + (folder / "Trip").string() + ".\n";
    };
    EXPECT_EQ(shown(), begun + ready("holiday 2.jpg") + begun + ready("holiday 3.jpg"));

    fs::remove(folder / "bin" / "shown");
    const auto failed = test::runCommandLine(execArguments("convert", folder / "notes.jpg"));
    EXPECT_EQ(failed.status, CommandLine::failure);
    // A failure takes the place of the notice that the work began, with the error's icon.
    EXPECT_EQ(shown(), "--app-name=Orvane\n--icon=image-x-generic\n--print-id\n--\nConvert Image\n"
                       "Converting “notes.jpg”…\n"
                       "--app-name=Orvane\n--icon=dialog-error\n--replace-id=42\n--print-id\n--\n"
                       "Convert Image\nThat file isn't an image Orvane can read.\n");
}

// libnotify before 0.7.10 knows neither --print-id nor --replace-id; a notifier may also lose the
// one on screen (its daemon restarted). Each notice is then shown anew, and nothing is lost.
TEST_F(DesktopActions, ANotifierThatCantReplaceShowsEachNoticeAnew) {
    installNotifier("case \" $* \" in *' --print-id '*|*' --replace-id='*) exit 1;; esac\n");
    std::vector<std::string> messages;
    CommandLine::Desktop desktop;
    desktop.showMessage = [&](const std::string& title, const std::string& message) {
        messages.push_back(title + ": " + message);
    };
    ASSERT_EQ(test::runCommandLine(execArguments("enhance", folder / "notes.jpg"), desktop).status,
              CommandLine::failure);
    EXPECT_EQ(shown(),
              "--app-name=Orvane\n--icon=image-x-generic\n--print-id\n--\nEnhance Image\n"
              "Enhancing “notes.jpg”…\n"
              "--app-name=Orvane\n--icon=image-x-generic\n--\nEnhance Image\nEnhancing “notes.jpg”…\n"
              "--app-name=Orvane\n--icon=dialog-error\n--print-id\n--\nEnhance Image\n"
              "That file isn't an image Orvane can read.\n"
              "--app-name=Orvane\n--icon=dialog-error\n--\nEnhance Image\n"
              "That file isn't an image Orvane can read.\n");
    EXPECT_TRUE(messages.empty());

    // It numbers the first, but can't replace it: the result is shown on its own.
    fs::remove(folder / "bin" / "shown");
    installNotifier("case \" $* \" in *' --replace-id='*) exit 1;; *' --print-id '*) echo 7;; esac\n");
    ASSERT_EQ(test::runCommandLine(execArguments("convert", photo()), desktop).status, CommandLine::success);
    const std::string said = shown();
    EXPECT_NE(said.find("--replace-id=7\n--print-id\n--\nConvert Image\n“holiday 2.jpg” is ready in"),
              std::string::npos)
        << said;
    EXPECT_TRUE(said.ends_with("--app-name=Orvane\n--icon=image-x-generic\n--print-id\n--\nConvert Image\n"
                               "“holiday 2.jpg” is ready in " +
                               (folder / "Trip").string() + ".\n"))
        << said;
    EXPECT_TRUE(messages.empty());
}

TEST_F(DesktopActions, TheCommandLineStillWritesIntoTheCurrentFolderByDefault) {
    const fs::path previous = fs::current_path();
    fs::current_path(folder.path());
    const auto plain = test::runCommandLine({"convert", photo().string()});
    fs::current_path(previous);
    EXPECT_EQ(plain.out, "holiday.jpg\n");
    EXPECT_TRUE(fs::exists(folder / "holiday.jpg"));
    EXPECT_EQ(
        test::runCommandLine({"convert", photo().string(), "--beside", "--output", folder.path().string()})
            .status,
        CommandLine::usageError);
    EXPECT_FALSE(fs::exists(folder / "bin" / "shown"));
}

TEST_F(CommandLineOutput, EveryRoadWritesOntoExfatAndNtfs) {
    for (const auto type : {test::FuseMount::Type::exfat, test::FuseMount::Type::ntfs}) {
        const test::FuseMount disk(type);
        if (!disk.skipReason().empty()) {
            GTEST_SKIP() << test::FuseMount::name(type) << ": " << disk.skipReason();
        }
        SCOPED_TRACE(test::FuseMount::name(type));
        const fs::path card = disk.path();
        fs::copy_file(photo(), card / "owl.jpg");
        const auto written = [](const test::CommandLineOutcome& outcome) {
            EXPECT_EQ(outcome.status, CommandLine::success) << outcome.err;
            return fs::path(firstLine(outcome.out));
        };
        const std::string owl = (card / "owl.jpg").string();
        EXPECT_EQ(written(test::runCommandLine(
                      {"convert", owl, "--format", "png", "--output", card.string() + "/"})),
                  card / "owl.png");
        EXPECT_EQ(
            written(test::runCommandLine({"convert", owl, "--format", "png", "--output", card.string()})),
            card / "owl 2.png");
        EXPECT_EQ(written(test::runCommandLine(
                      {"convert", owl, "--format", "webp", "--output", (card / "named.webp").string()})),
                  card / "named.webp");
        EXPECT_EQ(written(test::runCommandLine(
                      {"convert", owl, "--format", "webp", "--output", (card / "named.webp").string()})),
                  card / "named 2.webp");
        EXPECT_EQ(written(test::runCommandLine({"convert", owl, "--beside"})), card / "owl 2.jpg");
        {
            const test::CurrentFolder here(card);
            EXPECT_EQ(written(test::runCommandLine({"convert", "owl.jpg", "--format", "heic"})), "owl.heic");
        }
        EXPECT_EQ(test::namesIn(card),
                  (std::vector<std::string>{"named 2.webp", "named.webp", "owl 2.jpg", "owl 2.png",
                                            "owl.heic", "owl.jpg", "owl.png"}));
        for (const auto& name : test::namesIn(card)) {
            const auto source = ImageSource::createFromFile(card / name);
            EXPECT_TRUE(source && source->createImage()) << name << " doesn't decode";
        }
    }
    // A card whose lock is on: the message names the file and the reason.
    const test::FuseMount locked(test::FuseMount::Type::exfat, true);
    const auto readOnly = test::runCommandLine(
        {"convert", photo().string(), "--format", "png", "--output", locked.path().string() + "/"});
    EXPECT_EQ(readOnly.err, "The file couldn't be saved to “" + (locked.path() / "holiday.png").string() +
                                "”: the disk is read-only.\n");
}

// A launcher starts the desktop's actions without a photo: they ask for one where there is a
// display, and run on it as they would from a file manager.
TEST_F(DesktopActions, WithoutAPhotoAskForOneAndRunOnIt) {
    std::vector<std::string> asked;
    std::optional<fs::path> answer = photo();
    CommandLine::Desktop desktop;
    desktop.askForImage = [&](const std::string& title) {
        asked.push_back(title);
        return answer;
    };
    std::vector<std::string> messages;
    desktop.showMessage = [&](const std::string& title, const std::string& message) {
        messages.push_back(title + ": " + message);
    };

    const auto chosen = test::runCommandLine(execArguments("convert", std::nullopt), desktop);
    ASSERT_EQ(chosen.status, CommandLine::success) << chosen.err;
    EXPECT_EQ(asked, std::vector<std::string>{"Convert Image"});
    EXPECT_EQ(chosen.out, (folder / "Trip" / "holiday 2.jpg").string() + "\n");
    EXPECT_EQ(modified(folder / "Trip" / "holiday 2.jpg"), captured);
    EXPECT_NE(shown().find("Convert Image\n“holiday 2.jpg” is ready in " + (folder / "Trip").string() + "."),
              std::string::npos)
        << shown();

    // Cancelling the panel is no failure: nothing is written, said or notified.
    fs::remove(folder / "bin" / "shown");
    answer.reset();
    const std::size_t before = filesIn(folder / "Trip");
    const auto cancelled = test::runCommandLine(execArguments("enhance", std::nullopt), desktop);
    EXPECT_EQ(cancelled.status, CommandLine::success);
    EXPECT_EQ(asked.back(), "Enhance Image");
    EXPECT_EQ(cancelled.out + cancelled.err, "");
    EXPECT_EQ(filesIn(folder / "Trip"), before);
    EXPECT_FALSE(fs::exists(folder / "bin" / "shown"));

    // A mistake in the options is told before anything is asked.
    asked.clear();
    EXPECT_EQ(test::runCommandLine({"remove-background", "--beside", "--notify"}, desktop).status,
              CommandLine::usageError);
    // Only an action for the desktop asks: on a terminal, the image is given.
    const auto typed = test::runCommandLine({"convert", "--beside"}, desktop);
    EXPECT_EQ(typed.status, CommandLine::usageError);
    EXPECT_EQ(firstLine(typed.err), "orvane: Give the image to convert.");
    EXPECT_TRUE(asked.empty());
    EXPECT_TRUE(messages.empty());

    // Without a display nothing can be asked, and the action says so as it always did.
    const auto noDisplay = test::runCommandLine(execArguments("enlarge", std::nullopt));
    EXPECT_EQ(noDisplay.status, CommandLine::usageError);
    EXPECT_EQ(firstLine(noDisplay.err), "orvane: Give the image to enlarge.");
    EXPECT_NE(shown().find("Enlarge Image\nGive the image to enlarge.\n"), std::string::npos) << shown();
}

TEST_F(DesktopActions, AFailureTheNotifierCantShowGoesToAMessage) {
    std::vector<std::string> messages;
    CommandLine::Desktop desktop;
    desktop.askForImage = [&](const std::string&) { return std::optional<fs::path>(folder / "notes.jpg"); };
    desktop.showMessage = [&](const std::string& title, const std::string& message) {
        messages.push_back(title + ": " + message);
    };
    // Notified: no message on top.
    EXPECT_EQ(test::runCommandLine(execArguments("convert", folder / "notes.jpg"), desktop).status,
              CommandLine::failure);
    EXPECT_TRUE(messages.empty());

    breakNotifier();
    EXPECT_EQ(test::runCommandLine(execArguments("convert", std::nullopt), desktop).status,
              CommandLine::failure);
    EXPECT_EQ(messages, std::vector<std::string>{"Convert Image: That file isn't an image Orvane can read."});
    // A finished result needs no message: it lies beside the photo.
    messages.clear();
    EXPECT_EQ(test::runCommandLine(execArguments("convert", photo()), desktop).status, CommandLine::success);
    EXPECT_TRUE(messages.empty());
    // On a terminal, standard error says it.
    EXPECT_EQ(test::runCommandLine({"convert", (folder / "notes.jpg").string()}, desktop).status,
              CommandLine::failure);
    EXPECT_TRUE(messages.empty());
}
