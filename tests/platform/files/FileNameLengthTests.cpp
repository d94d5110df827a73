#include "platform/files/AtomicFile.h"
#include "platform/files/FileNameLength.h"
#include "tests/support/TemporaryDirectory.h"

#include <fstream>
#include <gtest/gtest.h>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

// Whether `text` is whole UTF-8: each lead byte is followed by as many continuation bytes as it
// announces.
bool isWholeUtf8(const std::string& text) {
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = lead < 0x80    ? 1
                                   : lead >= 0xF0 ? 4
                                   : lead >= 0xE0 ? 3
                                   : lead >= 0xC0 ? 2
                                                  : 0;
        if (length == 0 || at + length > text.size()) {
            return false;
        }
        for (std::size_t next = at + 1; next < at + length; ++next) {
            if ((static_cast<unsigned char>(text[next]) & 0xC0) != 0x80) {
                return false;
            }
        }
        at += length;
    }
    return true;
}

std::string repeated(const std::string& piece, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

std::size_t filesIn(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

} // namespace

TEST(FileNameLength, ALongStemGivesWayAndTheEndingStaysWhole) {
    EXPECT_EQ(FileNameLength::fittedName("beach", "-4x.png"), "beach-4x.png");
    const std::string exact(255 - 7, 'a');
    EXPECT_EQ(FileNameLength::fittedName(exact, "-4x.png"), exact + "-4x.png");

    const std::string fitted = FileNameLength::fittedName(std::string(300, 'a'), "-4x.png");
    EXPECT_EQ(fitted.size(), 255u);
    EXPECT_TRUE(fitted.ends_with("aaa-4x.png"));
    EXPECT_EQ(FileNameLength::fittedStem(std::string(300, 'a'), "-4x.png"), std::string(248, 'a'));
    EXPECT_EQ(FileNameLength::fittedName("ab", ".XXXXXX", 8), "a.XXXXXX");
}

TEST(FileNameLength, NoCharacterIsCutInTwo) {
    // Two-, three- and four-byte characters, with the cut falling at every place inside them.
    for (const std::string character : {"é", "€", "😀"}) {
        for (std::size_t lead = 0; lead < 4; ++lead) {
            const std::string stem = std::string(lead, 'a') + repeated(character, 300);
            const std::string fitted = FileNameLength::fittedName(stem, ".webp");
            EXPECT_LE(fitted.size(), 255u) << character << lead;
            EXPECT_GT(fitted.size(), 255u - character.size()) << character << lead;
            EXPECT_TRUE(fitted.ends_with(".webp"));
            EXPECT_TRUE(isWholeUtf8(fitted)) << character << lead;
        }
    }
    // Bytes that aren't UTF-8 at all are cut where they fall, not emptied.
    EXPECT_EQ(FileNameLength::fittedName(std::string(300, '\x80'), ".jpg").size(), 255u);
}

TEST(FileNameLength, NamesAtTheLimitAreWrittenNumberedAndReplaced) {
    const std::string longest = std::string(251, 'b') + ".png";
    ASSERT_EQ(longest.size(), 255u);
    const fs::path numbered = AtomicFile::numbered(fs::path("/x") / longest, 12);
    EXPECT_EQ(numbered.filename().string(), std::string(248, 'b') + " 12.png");

    // With hidden temporary files too, whose names are longer than the file's, by every road.
    for (const AtomicFile::Operations& operations :
         {AtomicFile::Operations{}, AtomicFile::Operations{.unnamedFiles = false},
          AtomicFile::Operations{.unnamedFiles = false, .renameWithoutReplacing = false},
          AtomicFile::Operations{
              .unnamedFiles = false, .renameWithoutReplacing = false, .hardLinks = false}}) {
        AtomicFile::setOperations(operations);
        test::TemporaryDirectory folder;
        const std::vector<std::uint8_t> bytes = {'h', 'i'};
        EXPECT_EQ(AtomicFile::writeNew(folder / longest, bytes), folder / longest);
        EXPECT_EQ(AtomicFile::writeNew(folder / longest, bytes).filename().string(),
                  std::string(249, 'b') + " 2.png");
        EXPECT_NO_THROW(AtomicFile::write(folder / longest, bytes));
        EXPECT_NO_THROW(AtomicFile::copy(folder / longest, folder / longest));
        EXPECT_EQ(filesIn(folder.path()), 2u);
    }
    AtomicFile::setOperations({});
}
