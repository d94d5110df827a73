#include "tests/support/ProgramRun.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"

#include <fstream>
#include <gtest/gtest.h>

using namespace orvane;
namespace fs = std::filesystem;

extern char** environ;

namespace {

void writeBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A camera RAW cut short: a DNG whose pixel data begins half its length before the end of the
// file, so that its directory reads well and its pixels run out.
Bytes rawCutShort() {
    Bytes dng = test::linearDng(300, 200);
    const auto read32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(dng[at] | dng[at + 1] << 8 | dng[at + 2] << 16 | dng[at + 3] << 24);
    };
    const std::uint32_t directory = read32(4);
    const int entries = dng[directory] | dng[directory + 1] << 8;
    for (int i = 0; i < entries; ++i) {
        const std::size_t entry = directory + 2 + static_cast<std::size_t>(i) * 12;
        if ((dng[entry] | dng[entry + 1] << 8) == 273) { // the strip's offset
            const std::uint32_t offset = static_cast<std::uint32_t>(dng.size()) - 300 * 200 * 6 / 2;
            for (int b = 0; b < 4; ++b) {
                dng[entry + 8 + b] = static_cast<std::uint8_t>(offset >> (8 * b));
            }
        }
    }
    return dng;
}

// The program run with a home folder of its own (and so its own caches and data) in `folder`.
class ProgramInFolder : public testing::Test {
protected:
    ProgramInFolder() {
        for (const char* name : {"home", "out"}) {
            fs::create_directory(folder / name);
        }
        for (char** variable = environ; *variable != nullptr; ++variable) {
            const std::string entry = *variable;
            if (!entry.starts_with("HOME=") && !entry.starts_with("XDG_")) {
                environment.push_back(entry);
            }
        }
        environment.push_back("HOME=" + (folder / "home").string());
    }

    test::ProgramOutput run(std::vector<std::string> arguments) const {
        arguments.insert(arguments.end(), {"--output", (folder / "out").string()});
        return test::runProgramCapturing(ORVANE_PROGRAM, std::move(arguments), environment);
    }

    test::TemporaryDirectory folder;
    std::vector<std::string> environment;
};

} // namespace

// The libraries' own reports on a damaged or odd file (LibRaw's "Unexpected end of file", GLib's
// warnings about a resolution out of range) stay off the terminal: standard error holds Orvane's
// one line, or nothing when the file converts.
TEST_F(ProgramInFolder, StandardErrorHoldsOnlyOrvanesOwnMessage) {
    writeBytes(folder / "cut.dng", rawCutShort());
    const test::ProgramOutput cut = run({"convert", (folder / "cut.dng").string(), "--format", "png"});
    EXPECT_EQ(cut.status, 1);
    EXPECT_EQ(cut.err, "That file isn't an image Orvane can read.\n");

    writeBytes(folder / "dense.jpg",
               test::withExif(test::encoded(test::gradient(64, 48), ConvertFormat::jpeg),
                              {{"Exif.Image.XResolution", "4294967295/1"},
                               {"Exif.Image.YResolution", "4294967295/1"},
                               {"Exif.Image.ResolutionUnit", "3"}}));
    const test::ProgramOutput dense = run({"convert", (folder / "dense.jpg").string(), "--format", "png"});
    EXPECT_EQ(dense.status, 0);
    EXPECT_EQ(dense.err, "");
}
