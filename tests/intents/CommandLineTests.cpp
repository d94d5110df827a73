#include "intents/CommandLine.h"
#include "platform/application/AppVersion.h"
#include "platform/image/ImageSource.h"
#include "tests/intents/CommandLineRun.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"

#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

class CommandLineConvert : public testing::Test {
protected:
    void SetUp() override {
        const Bytes heic =
            test::encoded(test::gradient(200, 150), ConvertFormat::heic, test::cameraProperties());
        std::ofstream(photo(), std::ios::binary)
            .write(reinterpret_cast<const char*>(heic.data()), static_cast<std::streamsize>(heic.size()));
        fs::create_directory(folder / "out");
    }
    fs::path photo() const { return folder / "holiday.heic"; }
    test::TemporaryDirectory folder;
};

Bytes readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace

TEST_F(CommandLineConvert, WritesIntoTheFolderAndNeverOverwrites) {
    const std::string out = (folder / "out").string();
    const auto first = test::runCommandLine({"convert", photo().string(), "--output", out});
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, (folder / "out" / "holiday.jpg").string() + "\n");
    const auto second = test::runCommandLine({"convert", photo().string(), "--output", out});
    EXPECT_EQ(second.out, (folder / "out" / "holiday 2.jpg").string() + "\n");
    const auto third = test::runCommandLine(
        {"convert", photo().string(), "--output=" + (folder / "out" / "holiday.jpg").string()});
    EXPECT_EQ(third.out, (folder / "out" / "holiday 3.jpg").string() + "\n");
    const auto written = ImageSource::createFromFile(folder / "out" / "holiday.jpg");
    ASSERT_TRUE(written.has_value());
    EXPECT_FALSE(written->properties().gps.has_value());
}

TEST_F(CommandLineConvert, OptionsReachTheAction) {
    const auto result = test::runCommandLine({"convert", "--format", "webp", "--keep-location", "--max-kb",
                                              "10", photo().string(), "--output", (folder / "out").string()});
    ASSERT_EQ(result.status, 0) << result.err;
    const Bytes webp = readFile(folder / "out" / "holiday.webp");
    EXPECT_LE(webp.size(), 10'000u);
    EXPECT_EQ(ImageSource::create(webp)->typeIdentifier(), "org.webmproject.webp");
}

TEST_F(CommandLineConvert, DashWritesTheFileToStandardOutput) {
    const auto result =
        test::runCommandLine({"convert", photo().string(), "--format", "png", "--output", "-"});
    ASSERT_EQ(result.status, 0);
    const auto source = ImageSource::create(
        std::span(reinterpret_cast<const std::uint8_t*>(result.out.data()), result.out.size()));
    ASSERT_TRUE(source.has_value());
    EXPECT_EQ(source->typeIdentifier(), "public.png");
}

TEST_F(CommandLineConvert, UsageErrorsExitWithTwoAndSayWhereTheHelpIs) {
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"convert"},
             {"convert", photo().string(), "--max-kb", "9"},
             {"convert", photo().string(), "--max-kb", "50001"},
             {"convert", photo().string(), "--max-kb", "ten"},
             {"convert", photo().string(), "--format", "tiff"},
             {"convert", photo().string(), "--format"},
             {"convert", photo().string(), "--sharpen"},
             {"convert", photo().string(), photo().string()},
             {"shrink", photo().string()},
         }) {
        const auto result = test::runCommandLine(arguments);
        EXPECT_EQ(result.status, 2) << arguments.back();
        // The mistake and where to read more, not the whole help.
        EXPECT_TRUE(result.err.starts_with("orvane: ")) << result.err;
        EXPECT_TRUE(result.err.ends_with(arguments.front() == "shrink"
                                             ? "\norvane --help lists the actions.\n"
                                             : "\norvane convert --help lists its options.\n"))
            << result.err;
        EXPECT_EQ(result.err.find("Usage: orvane"), std::string::npos);
    }
    EXPECT_TRUE(fs::is_empty(folder / "out"));
}

TEST_F(CommandLineConvert, FailuresExitWithOneInTheActionsWords) {
    std::ofstream(folder / "notes.jpg") << "just text";
    const auto unreadable = test::runCommandLine(
        {"convert", (folder / "notes.jpg").string(), "--output", (folder / "out").string()});
    EXPECT_EQ(unreadable.status, 1);
    EXPECT_EQ(unreadable.err, "That file isn't an image Orvane can read.\n");
    const auto missing = test::runCommandLine({"convert", (folder / "gone.jpg").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "The file “gone.jpg” couldn't be opened.\n");
    EXPECT_TRUE(fs::is_empty(folder / "out"));
}

TEST(CommandLine, HelpListsTheActions) {
    const auto help = test::runCommandLine({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Convert Image"), std::string::npos);
    EXPECT_TRUE(CommandLine::namesAction({"convert", "x.jpg"}));
    EXPECT_FALSE(CommandLine::namesAction({}));
    EXPECT_FALSE(CommandLine::namesAction({"--help"}));
}

TEST(CommandLine, VersionNamesTheReleaseAndTheBuild) {
    const auto version = test::runCommandLine({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(std::regex_match(version.out, std::regex(R"(Orvane \d+\.\d+\.\d+ \(\d+\)\n)")))
        << version.out;
    EXPECT_EQ(version.out, "Orvane " + AppVersion::version() + " (" + AppVersion::build() + ")\n");
    EXPECT_TRUE(CommandLine::namesAction({"--version"}));
}
