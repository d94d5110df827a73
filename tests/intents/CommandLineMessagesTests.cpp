#include "intents/CommandLine.h"
#include "platform/application/Terminal.h"
#include "tests/intents/CommandLineRun.h"
#include "tests/support/FolderContents.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

void writeBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class CommandLineMessages : public testing::Test {
protected:
    void SetUp() override {
        writeBytes(photo(), test::encoded(test::gradient(60, 40), ConvertFormat::jpeg));
        fs::create_directory(folder / "out");
    }
    fs::path photo() const { return folder / "photo.jpg"; }
    std::string out() const { return (folder / "out").string(); }
    test::TemporaryDirectory folder;
};

} // namespace

TEST_F(CommandLineMessages, AnOptionOfAnotherActionIsNamed) {
    for (const auto& [arguments, message] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"convert", photo().string(), "--quality", "90"}, "convert has no option --quality."},
             {{"convert", photo().string(), "--style", "art"}, "convert has no option --style."},
             {{"enlarge", photo().string(), "--max-kb", "50"}, "enlarge has no option --max-kb."},
             {{"enhance", "--background", "white", photo().string()}, "enhance has no option --background."},
             {{"convert", photo().string(), "--beside=yes"}, "The option --beside takes no value."},
         }) {
        const auto result = test::runCommandLine(arguments);
        EXPECT_EQ(result.status, CommandLine::usageError);
        // One line, and one that says where the action's options are: not the whole help.
        EXPECT_EQ(result.err,
                  "orvane: " + message + "\norvane " + arguments.front() + " --help lists its options.\n");
    }
    EXPECT_TRUE(fs::is_empty(folder / "out"));
}

TEST_F(CommandLineMessages, AnUnknownActionListsTheActions) {
    const auto result = test::runCommandLine({"shrink", photo().string()});
    EXPECT_EQ(result.status, CommandLine::usageError);
    EXPECT_EQ(result.err, "orvane: There is no action “shrink”. The actions are enlarge, convert, "
                          "remove-background and enhance.\norvane --help lists the actions.\n");
    // Such a word reaches the command line, not the window; files and folders still open the window.
    const test::CurrentFolder here(folder.path());
    EXPECT_TRUE(CommandLine::meantForCommandLine({"shrink", "photo.jpg"}));
    EXPECT_TRUE(CommandLine::meantForCommandLine({"--bogus"}));
    EXPECT_FALSE(CommandLine::meantForCommandLine({"photo.jpg"}));
    EXPECT_FALSE(CommandLine::meantForCommandLine({"out"}));
    EXPECT_FALSE(CommandLine::meantForCommandLine({"missing.jpg"}));
    EXPECT_FALSE(CommandLine::meantForCommandLine({}));
}

TEST_F(CommandLineMessages, EachActionHasItsOwnHelp) {
    for (const std::string flag : {"--help", "-h"}) {
        const auto help = test::runCommandLine({"convert", flag});
        EXPECT_EQ(help.status, CommandLine::success);
        EXPECT_TRUE(help.out.starts_with("Usage: orvane convert [options] IMAGE\n")) << help.out;
        EXPECT_NE(help.out.find("--max-kb"), std::string::npos);
        EXPECT_EQ(help.out.find("--background"), std::string::npos);
        EXPECT_NE(help.out.find("--output"), std::string::npos);
    }
    EXPECT_TRUE(test::runCommandLine({"remove-background", photo().string(), "-h"})
                    .out.starts_with("Usage: orvane remove-background [options] IMAGE\n"));
}

TEST_F(CommandLineMessages, TwoDashesEndTheOptions) {
    const test::CurrentFolder here(folder.path());
    fs::copy_file("photo.jpg", "-x.jpg");
    const auto asOption = test::runCommandLine({"convert", "-x.jpg", "--output", out()});
    EXPECT_EQ(asOption.status, CommandLine::usageError);
    EXPECT_TRUE(asOption.err.starts_with("orvane: convert has no option -x.jpg.\n"));

    const auto asFile = test::runCommandLine({"convert", "--output", out(), "--", "-x.jpg"});
    EXPECT_EQ(asFile.status, CommandLine::success) << asFile.err;
    EXPECT_TRUE(fs::exists(folder / "out" / "-x.jpg"));
    // After "--" even --help is a file name.
    const auto helpAsFile = test::runCommandLine({"convert", "--", "--help"});
    EXPECT_EQ(helpAsFile.status, CommandLine::failure);
    EXPECT_EQ(helpAsFile.err, "The file “--help” couldn't be opened.\n");
}

TEST_F(CommandLineMessages, RemovingAndKeepingTheLocationContradictEachOther) {
    for (const auto& order : {std::vector<std::string>{"--remove-location", "--keep-location"},
                              std::vector<std::string>{"--keep-location", "--remove-location"}}) {
        const auto result =
            test::runCommandLine({"convert", photo().string(), order[0], order[1], "--output", out()});
        EXPECT_EQ(result.status, CommandLine::usageError);
        EXPECT_TRUE(
            result.err.starts_with("orvane: Give either --remove-location or --keep-location, not both.\n"))
            << result.err;
    }
    EXPECT_TRUE(fs::is_empty(folder / "out"));
}

TEST_F(CommandLineMessages, AnOutputNameWithoutExtensionMustBeAFolder) {
    const fs::path results = folder / "results";
    const auto result =
        test::runCommandLine({"convert", photo().string(), "--format", "png", "--output", results.string()});
    EXPECT_EQ(result.status, CommandLine::usageError);
    EXPECT_EQ(result.err, "orvane: There is no folder “" + results.string() +
                              "”. End the name in .png to write a file of that name, or make the "
                              "folder first.\norvane convert --help lists its options.\n");
    EXPECT_FALSE(fs::exists(results));
    // Made first, it takes the result.
    fs::create_directory(results);
    EXPECT_EQ(test::runCommandLine({"convert", photo().string(), "--output", results.string()}).status,
              CommandLine::success);
    EXPECT_TRUE(fs::exists(results / "photo.jpg"));
}

TEST_F(CommandLineMessages, AnInputThatIsNoFileSaysWhatItIs) {
    const auto aFolder = test::runCommandLine({"convert", (folder / "out").string(), "--output", out()});
    EXPECT_EQ(aFolder.status, CommandLine::failure);
    EXPECT_EQ(aFolder.err, "The file “out” couldn't be opened: it is a folder.\n");

    // A pipe would keep the action waiting for a writer: it is refused at once.
    ASSERT_EQ(::mkfifo((folder / "pipe.jpg").c_str(), 0600), 0);
    const auto aPipe = test::runCommandLine({"convert", (folder / "pipe.jpg").string(), "--output", out()});
    EXPECT_EQ(aPipe.err, "The file “pipe.jpg” couldn't be opened: it isn't a regular file.\n");
    EXPECT_EQ(test::runCommandLine({"convert", "/dev/null", "--output", out()}).err,
              "The file “null” couldn't be opened: it isn't a regular file.\n");

    if (::geteuid() != 0) {
        fs::copy_file(photo(), folder / "locked.jpg");
        fs::permissions(folder / "locked.jpg", fs::perms::none);
        EXPECT_EQ(test::runCommandLine({"convert", (folder / "locked.jpg").string(), "--output", out()}).err,
                  "The file “locked.jpg” couldn't be opened: you don't have permission to read it.\n");
    }
    EXPECT_TRUE(fs::is_empty(folder / "out"));
}

TEST_F(CommandLineMessages, NamesAreSafeToPrintOnATerminal) {
    const auto missing = test::runCommandLine({"convert", (folder / "bad\nname\x1b[2J.jpg").string()});
    EXPECT_EQ(missing.err, "The file “bad\\nname\\x1b[2J.jpg” couldn't be opened.\n");

    fs::copy_file(photo(), folder / "line\nbreak.jpg");
    const auto written =
        test::runCommandLine({"convert", (folder / "line\nbreak.jpg").string(), "--output", out()});
    ASSERT_EQ(written.status, CommandLine::success) << written.err;
    EXPECT_EQ(written.out, (folder / "out").string() + "/line\\nbreak.jpg\n");
    EXPECT_TRUE(fs::exists(folder / "out" / "line\nbreak.jpg"));

    EXPECT_EQ(Terminal::printable("tab\there\r\x7f"), "tab\\there\\r\\x7f");
    EXPECT_EQ(Terminal::printable("evil\u202Egpj.exe \u00c2\u0085"), "evil\\u202egpj.exe \u00c2\\u0085");
    EXPECT_EQ(Terminal::printable("Ünïcödé – fine.jpg"), "Ünïcödé – fine.jpg");
    EXPECT_EQ(Terminal::printable("\xff\xfe raw"), "\xff\xfe raw");
}

TEST_F(CommandLineMessages, AFullStandardOutputIsReported) {
    std::ofstream full("/dev/full", std::ios::binary);
    ASSERT_TRUE(full.is_open());
    std::ostringstream err;
    const int status = CommandLine::run({"convert", photo().string(), "--output", "-"}, full, err);
    EXPECT_EQ(status, CommandLine::failure);
    EXPECT_EQ(err.str(), "The result couldn't be written to standard output: there isn't enough space on "
                         "the disk.\n");

    // Written into a folder, the file's path is all the action prints: without it a script has no
    // result, so the action fails, saying where the file is.
    std::ofstream fullAgain("/dev/full", std::ios::binary);
    std::ostringstream pathErr;
    EXPECT_EQ(CommandLine::run({"convert", photo().string(), "--output", out()}, fullAgain, pathErr),
              CommandLine::failure);
    EXPECT_EQ(pathErr.str(), "The result was written to “" + (folder / "out" / "photo.jpg").string() +
                                 "”, but its name couldn't be written to standard output: there isn't "
                                 "enough space on the disk.\n");
    EXPECT_TRUE(fs::exists(folder / "out" / "photo.jpg"));
}

TEST_F(CommandLineMessages, AnArgumentTooManyOrAnEmptyOutputIsRefusedPlainly) {
    const auto version = test::runCommandLine({"--version", "extra"});
    EXPECT_EQ(version.status, CommandLine::usageError);
    EXPECT_EQ(version.out, "");
    EXPECT_EQ(version.err, "orvane: --version takes no other arguments.\norvane --help lists the actions.\n");

    for (const auto& output :
         {std::vector<std::string>{"--output", ""}, std::vector<std::string>{"--output="}}) {
        std::vector<std::string> arguments{"convert", photo().string()};
        arguments.insert(arguments.end(), output.begin(), output.end());
        const auto result = test::runCommandLine(arguments);
        EXPECT_EQ(result.status, CommandLine::usageError);
        EXPECT_EQ(result.err, "orvane: The option --output was given an empty name. Give a folder, a file "
                              "name, or - for standard output.\norvane convert --help lists its options.\n");
    }
    EXPECT_TRUE(fs::is_empty(folder / "out"));
}
