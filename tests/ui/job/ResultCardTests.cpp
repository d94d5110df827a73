#include "editor/EditorModel.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/ui/support/WindowTestSupport.h"
#include "ui/controls/ActionButton.h"
#include "ui/controls/SegmentedPicker.h"
#include "ui/desktop/SaveCopyPanel.h"
#include "ui/desktop/ShareMenu.h"
#include "ui/job/ResultCard.h"
#include "ui/job/ResultDescription.h"

#include <QFileDialog>
#include <QLabel>
#include <fstream>

namespace orvane {
namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

ResultInfo enhanced(double seconds = 2.46) {
    return ResultInfo{
        .width = 4000, .height = 3000, .seconds = seconds, .hasAlpha = false, .label = "Enhanced"};
}

ResultInfo converted(std::int64_t bytes, std::optional<std::int64_t> source) {
    return ResultInfo{.width = 800,
                      .height = 600,
                      .seconds = 0.3,
                      .hasAlpha = true,
                      .label = "WebP",
                      .convertedBytes = bytes,
                      .sourceBytes = source};
}

TEST(ResultDescription, SavingTextAndDetailLines) {
    using namespace ResultDescription;
    EXPECT_EQ(savingText(1'000'000, 4'000'000), " (\u221275%)");
    EXPECT_EQ(savingText(996, 1000), "");
    EXPECT_EQ(savingText(995, 1000), " (\u22121%)");
    EXPECT_EQ(savingText(5000, 4000), "");
    EXPECT_EQ(savingText(100, 0), "");
    EXPECT_EQ(savingText(100, std::nullopt), "");

    EXPECT_EQ(sizeLine(enhanced()), "4000 × 3000");
    EXPECT_EQ(detailLine(enhanced()), "Enhanced · 2.5 s");
    EXPECT_EQ(detailLine(converted(1'000'000, 4'000'000)), "WebP · 4 MB → 1 MB (\u221275%)");
    EXPECT_EQ(detailLine(converted(1'000'000, std::nullopt)), "WebP · Zero KB → 1 MB");
}

struct Card {
    test::TemporaryDirectory folder;
    EditorModel model;
    std::vector<QString> notices;
    ResultCard card{model, [this](const QString& text) { notices.push_back(text); }};
    Card() {
        card.resize(320, 300);
        card.show();
    }
    QWidget& row() { return *test::child(card, "resultActions"); }
    fs::path prepare(const std::string& name, const std::string& text) {
        writeText(folder / name, text);
        model.setExportURL(folder / name);
        return folder / name;
    }
    QFileDialog* openPanel() {
        test::child<ActionButton>(card, "saveButton")->click();
        return test::child<QFileDialog>(card, "savePanel");
    }
};

TEST(ResultCard, WaitsForTheExportBeforeSavingOrSharing) {
    Card card;
    card.card.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&card.card));
    card.model.setResultInfo(ResultInfo{
        .width = 400, .height = 300, .seconds = 1, .hasAlpha = true, .label = "Background removed"});
    EXPECT_FALSE(card.row().isEnabled());
    EXPECT_TRUE(test::isShown(test::child(card.card, "exportPreparing")));
    EXPECT_FALSE(test::isShown(test::child(card.card, "shareButton")));
    // The transparency note shows until PNG is chosen; the picker stays usable while preparing.
    auto* picker = test::child<SegmentedPicker>(card.card, "formatPicker");
    EXPECT_TRUE(test::isShown(test::child(card.card, "alphaNote")));
    EXPECT_TRUE(picker->isEnabled());
    QTest::mouseClick(picker, Qt::LeftButton, {}, picker->segmentRect(1).center());
    EXPECT_EQ(card.model.format(), ExportFormat::png);
    EXPECT_FALSE(test::isShown(test::child(card.card, "alphaNote")));
    // Ctrl+S does nothing while preparing.
    QTest::keyClick(&card.card, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(card.card.findChild<QFileDialog*>("savePanel"), nullptr);

    const fs::path file = card.prepare("photo-cutout.png", "png bytes");
    EXPECT_TRUE(card.row().isEnabled());
    EXPECT_FALSE(test::isShown(test::child(card.card, "exportPreparing")));
    EXPECT_TRUE(test::isShown(test::child(card.card, "shareButton")));
    EXPECT_EQ(test::child<ShareMenu>(card.card, "shareMenu")->file(), file);
    QTest::keyClick(&card.card, Qt::Key_S, Qt::ControlModifier);
    EXPECT_NE(card.card.findChild<QFileDialog*>("savePanel"), nullptr);
}

TEST(ResultCard, AConversionHasNoFormatChoice) {
    Card card;
    card.model.setResultInfo(converted(1'000'000, 4'000'000));
    EXPECT_FALSE(test::isShown(test::child(card.card, "formatPicker")));
    EXPECT_FALSE(test::isShown(test::child(card.card, "alphaNote")));
    EXPECT_EQ(test::child<QLabel>(card.card, "resultDetail")->text(), "WebP · 4 MB → 1 MB (\u221275%)");
}

TEST(ResultCard, SavingCopiesThePreparedFileAndKeepsIt) {
    Card card;
    card.model.setResultInfo(enhanced());
    const fs::path file = card.prepare("beach-enhanced.jpg", "new result");
    QFileDialog* panel = card.openPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(panel->windowModality(), Qt::WindowModal);
    fs::create_directory(card.folder / "Pictures");
    const fs::path chosen = card.folder / "Pictures" / "beach-enhanced.jpg";
    writeText(chosen, "an older save");
    emit panel->fileSelected(QString::fromStdString(chosen.string()));
    EXPECT_EQ(contents(chosen), "new result");
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(card.notices, std::vector<QString>{"Saved"});
    EXPECT_FALSE(card.model.errorMessage().has_value());
}

TEST(SaveCopyPanel, TheSavedNameAlwaysEndsInTheFormatsExtension) {
    test::TemporaryDirectory folder;
    const fs::path jpeg = folder / "export" / "beach-enhanced.jpg";
    using SaveCopyPanel::destinationFor;
    EXPECT_EQ(destinationFor(folder / "mine.jpg", jpeg), folder / "mine.jpg");
    // Another spelling of the same type stays as typed.
    EXPECT_EQ(destinationFor(folder / "mine.JPEG", jpeg), folder / "mine.JPEG");
    // Another image type's extension is corrected; anything else gets the extension added.
    EXPECT_EQ(destinationFor(folder / "mine.png", jpeg), folder / "mine.jpg");
    EXPECT_EQ(destinationFor(folder / "mine", jpeg), folder / "mine.jpg");
    EXPECT_EQ(destinationFor(folder / "mine.v2", jpeg), folder / "mine.v2.jpg");
    // The user agreed to replace "mine.png", not the corrected name, which is taken.
    writeText(folder / "mine.jpg", "an older photo");
    EXPECT_EQ(destinationFor(folder / "mine.png", jpeg), folder / "mine 2.jpg");
    EXPECT_EQ(destinationFor(folder / "mine.heic", folder / "cut.png"), folder / "mine.png");
}

TEST(ResultCard, ATypedNameOfAnotherFormatIsSavedUnderTheFormatsExtension) {
    Card card;
    card.model.setResultInfo(enhanced());
    card.prepare("beach-enhanced.jpg", "jpeg bytes");
    QFileDialog* panel = card.openPanel();
    ASSERT_NE(panel, nullptr);
    emit panel->fileSelected(QString::fromStdString((card.folder / "mine.png").string()));
    EXPECT_FALSE(fs::exists(card.folder / "mine.png"));
    EXPECT_EQ(contents(card.folder / "mine.jpg"), "jpeg bytes");
    EXPECT_EQ(card.notices, std::vector<QString>{"Saved"});
}

TEST(ResultCard, AFailedSaveLeavesTheOldFileAndSaysSo) {
    Card card;
    card.model.setResultInfo(enhanced());
    const fs::path file = card.prepare("beach-enhanced.jpg", "new result");
    const fs::path chosen = card.folder / "beach.jpg";
    writeText(chosen, "the user's own photo");
    QFileDialog* panel = card.openPanel();
    ASSERT_NE(panel, nullptr);
    // The prepared file went away meanwhile, so the copy fails.
    fs::remove(file);
    emit panel->fileSelected(QString::fromStdString(chosen.string()));
    EXPECT_EQ(contents(chosen), "the user's own photo");
    EXPECT_TRUE(card.notices.empty());
    EXPECT_EQ(card.model.errorMessage(), "The file couldn't be saved.");

    // A folder that cannot be written fails too, saying where and why.
    EXPECT_EQ(SaveCopyPanel::saveCopy(chosen, card.folder / "missing" / "beach.jpg")
                  .value_or(QString())
                  .section(QStringLiteral("“"), 0, 0),
              "The file couldn't be saved to ");
}

TEST(ShareMenu, CopiesTheFileAsFileManagersDo) {
    const auto data = ShareMenu::clipboardData("/tmp/a b/photo.jpg");
    EXPECT_EQ(data->urls(), QList<QUrl>{QUrl::fromLocalFile("/tmp/a b/photo.jpg")});
    EXPECT_EQ(data->data("text/uri-list").trimmed(), "file:///tmp/a%20b/photo.jpg");
    EXPECT_EQ(data->data("x-special/gnome-copied-files"), "copy\nfile:///tmp/a%20b/photo.jpg");
}

} // namespace
} // namespace orvane
