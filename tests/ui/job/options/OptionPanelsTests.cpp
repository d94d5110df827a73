#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"
#include "tests/ui/support/WindowTestSupport.h"
#include "ui/controls/Chip.h"
#include "ui/controls/ChoiceRow.h"
#include "ui/controls/SegmentedPicker.h"
#include "ui/controls/SliderRow.h"
#include "ui/controls/Switch.h"
#include "ui/controls/ToggleRowPublic.h"
#include "ui/job/options/BackgroundOptions.h"
#include "ui/job/options/ConvertOptionsText.h"
#include "ui/job/options/ConvertOptionsView.h"
#include "ui/job/options/EnhanceOptionsView.h"
#include "ui/job/options/EnlargeOptions.h"
#include "ui/job/options/EnlargeSizeText.h"
#include "ui/look/Theme.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QSlider>

namespace orvane {
namespace {

// One options panel on its own window, bound to a model of its own.
template <typename View> struct Shown {
    EditorModel model;
    View view{model};
    Shown() {
        view.resize(284, 600);
        view.show();
    }
    template <typename Widget = QWidget> Widget* named(const char* name) const {
        return test::child<Widget>(view, name);
    }
    bool shows(const char* name) const { return test::isShown(named(name)); }
    QString text(const char* name) const { return named<QLabel>(name)->text(); }
    void click(const char* name) const { QTest::mouseClick(named(name), Qt::LeftButton); }
    void focus(const char* presetId) {
        const JobPreset preset = *JobPreset::find(presetId);
        model.setFocus(preset);
        model.apply(preset);
    }
    void choose(const char* menuName, const QString& entry) const {
        for (QAction* action : named<QMenu>(menuName)->actions()) {
            if (action->text() == entry) {
                action->trigger();
                return;
            }
        }
        ADD_FAILURE() << "no entry " << entry.toStdString();
    }
};

TEST(EnlargeSizeText, FollowsTheWorkedExamples) {
    using namespace EnlargeSizeText;
    const EditorModel::SizePlan a4{2.48, 2480, 3720, false};
    EXPECT_EQ(sizeChange(1000, 1500, a4), "1000 × 1500  →  2480 × 3720");
    EXPECT_EQ(details(a4, true), "9.2 MP · 2.5× enlargement · 300 dpi");
    const EditorModel::SizePlan fourTimes{4, 4000, 3000, false};
    EXPECT_EQ(sizeChange(1000, 750, fourTimes), "1000 × 750  →  4000 × 3000");
    EXPECT_EQ(details(fourTimes, false), "12.0 MP · 4× enlargement");
    EXPECT_EQ(details({4.7297, 18919, 14189, true}, true),
              "268.4 MP · 4.7× enlargement · 300 dpi · capped for this device's memory");
    EXPECT_EQ(scaleText(12), "12×");
    EXPECT_EQ(scaleText(1), "1×");
    // Two significant digits would read "2.4e+02×".
    EXPECT_EQ(scaleText(236.2), "236×");
    EXPECT_EQ(factorTitle(2), "2×");
    EXPECT_EQ(factorTitle(8), "8×");
}

TEST(EnlargeOptions, SectionsFollowThePreset) {
    struct Case {
        const char* preset;
        bool factors, print, screen, style;
    };
    const Case cases[] = {
        {nullptr, true, true, true, true},
        {"enlarge-art", true, false, false, false},
        {"enlarge-print", false, true, false, true},
        {"enlarge-4", false, false, false, true},
        {"enlarge-screen", false, false, false, true},
    };
    for (const Case& expected : cases) {
        SCOPED_TRACE(expected.preset ? expected.preset : "no preset");
        Shown<EnlargeOptions> panel;
        if (expected.preset) {
            panel.focus(expected.preset);
        }
        EXPECT_EQ(panel.shows("factorRow"), expected.factors);
        EXPECT_EQ(panel.shows("printRow"), expected.print);
        EXPECT_EQ(panel.shows("screenChip"), expected.screen);
        EXPECT_EQ(panel.shows("sizeHeading"), expected.factors || expected.print);
        EXPECT_EQ(panel.shows("styleRows"), expected.style);
        EXPECT_EQ(panel.shows("styleHeading"), expected.style);
        // No photo, no plan.
        EXPECT_FALSE(panel.shows("sizeInformation"));
    }
}

TEST(EnlargeOptions, ShowsWhatThePlanMeansForThePhoto) {
    Shown<EnlargeOptions> panel;
    panel.model.setOriginal(test::solid(1000, 1500, 90, 90, 90));
    EXPECT_EQ(panel.named<Chip>("printChip")->label().title, "Print");
    panel.choose("printMenu", "A4");
    EXPECT_TRUE(panel.shows("sizeInformation"));
    EXPECT_EQ(panel.text("sizeLine"), "1000 × 1500  →  2480 × 3720");
    EXPECT_EQ(panel.text("sizeDetailLine"), "9.2 MP · 2.5× enlargement · 300 dpi");
    EXPECT_EQ(panel.named<Chip>("printChip")->label().title, "A4");
    EXPECT_TRUE(panel.named<Chip>("printChip")->isSelected());

    panel.model.setOriginal(test::solid(1000, 750, 90, 90, 90));
    panel.click("factorChip4");
    EXPECT_EQ(panel.text("sizeLine"), "1000 × 750  →  4000 × 3000");
    EXPECT_EQ(panel.text("sizeDetailLine"), "12.0 MP · 4× enlargement");
    EXPECT_EQ(panel.named<Chip>("printChip")->label().title, "Print");
    EXPECT_EQ(panel.named<QLabel>("sizeDetailLine")->palette().color(QPalette::WindowText),
              Theme::secondary());

    // More than any machine's budget of 400,000,000 pixels.
    panel.model.setTarget(EnlargeFactor{1000});
    EXPECT_TRUE(panel.text("sizeDetailLine").endsWith(" enlargement · capped for this device's memory"));
    EXPECT_EQ(panel.named<QLabel>("sizeDetailLine")->palette().color(QPalette::WindowText), Theme::orange());

    // A factor no chip offers selects none.
    panel.model.setTarget(EnlargeFactor{2.5});
    for (const char* chip : {"factorChip2", "factorChip4", "factorChip8"}) {
        EXPECT_FALSE(panel.named<Chip>(chip)->isSelected());
    }
    panel.click("screenChip");
    EXPECT_EQ(panel.model.target(), EnlargeTarget(EnlargeScreen{}));
    // A print job offers no "Screen" chip, and leaves a screen target alone.
    panel.model.setFocus(JobPreset::find("enlarge-print"));
    EXPECT_FALSE(panel.shows("screenChip"));
    EXPECT_EQ(panel.model.target(), EnlargeTarget(EnlargeScreen{}));
    EXPECT_EQ(panel.named<Chip>("printChip")->label().title, "Print");
    EXPECT_FALSE(panel.named<Chip>("printChip")->isSelected());
    panel.click("styleRow_RealESRGAN_x4plus_anime_6B");
    EXPECT_EQ(panel.model.model(), UpscaleModel::art);
    EXPECT_TRUE(panel.named<ChoiceRow>("styleRow_RealESRGAN_x4plus_anime_6B")->isSelected());
    EXPECT_FALSE(panel.named<ChoiceRow>("styleRow_realesr-general-x4v3")->isSelected());
}

TEST(BackgroundOptions, ChipsOnlyInTheFreeEditorAndTheNoteFollowsTheBackdrop) {
    const QString pngNote = "Saves as a transparent PNG — great for stickers and product shots.";
    const QString subjectNote = "Finds the main subject automatically, on your device.";
    Shown<BackgroundOptions> panel;
    EXPECT_TRUE(panel.shows("backdropChips"));
    EXPECT_FALSE(panel.shows("backdropColorPicker"));
    EXPECT_EQ(panel.text("backgroundNote"), pngNote);

    panel.click("backdropChip_Color");
    EXPECT_EQ(panel.model.backdrop(), BackdropChoice::color);
    EXPECT_TRUE(panel.named<Chip>("backdropChip_Color")->isSelected());
    EXPECT_TRUE(panel.shows("backdropColorPicker"));
    EXPECT_EQ(panel.text("backgroundNote"), subjectNote);
    QSignalSpy changes(&panel.model, &EditorModel::backdropChanged);
    panel.click("backdropChip_Color");
    EXPECT_EQ(changes.count(), 0);
    panel.click("backdropChip_None");
    EXPECT_FALSE(panel.shows("backdropColorPicker"));
    EXPECT_EQ(panel.text("backgroundNote"), pngNote);

    for (const auto& [preset, note] :
         {std::pair{"bg-remove", pngNote}, {"bg-white", subjectNote}, {"bg-blur", subjectNote}}) {
        Shown<BackgroundOptions> focused;
        focused.focus(preset);
        EXPECT_FALSE(focused.shows("backdropChips")) << preset;
        EXPECT_FALSE(focused.shows("backdropHeading")) << preset;
        EXPECT_EQ(focused.text("backgroundNote"), note) << preset;
    }
}

TEST(BackgroundOptions, TheColourPanelSetsAnOpaqueBackdropColour) {
    Shown<BackgroundOptions> panel;
    panel.model.setBackdrop(BackdropChoice::color);
    QTest::mouseClick(panel.named<QWidget>("colorSwatch"), Qt::LeftButton);
    auto* colours = panel.named<QColorDialog>("colorPanel");
    ASSERT_NE(colours, nullptr);
    EXPECT_FALSE(colours->testOption(QColorDialog::ShowAlphaChannel));
    colours->setCurrentColor(QColor(20, 40, 200, 90));
    colours->accept();
    EXPECT_EQ(panel.model.backdropColor(), QColor(20, 40, 200));
}

TEST(EnhanceOptionsView, StrengthIsDisabledWhileNoiseAndSharpenAreOffAndKeepsItsValue) {
    Shown<EnhanceOptionsView> panel;
    EnhanceOptions options;
    options.strength = 0.7;
    panel.model.setEnhance(options);
    auto toggle = [&](const char* row) {
        QTest::mouseClick(panel.named<ToggleRowPublic>(row)->toggle(), Qt::LeftButton);
    };
    toggle("reduceNoiseRow");
    EXPECT_TRUE(panel.named("strengthRow")->isEnabled());
    toggle("sharpenRow");
    EXPECT_FALSE(panel.model.enhance().reduceNoise || panel.model.enhance().sharpen);
    EXPECT_FALSE(panel.named("strengthRow")->isEnabled());
    // The other two steps don't use the strength.
    toggle("autoLightRow");
    toggle("aiDetailRow");
    EXPECT_FALSE(panel.named("strengthRow")->isEnabled());
    EXPECT_EQ(
        panel.model.enhance(),
        (EnhanceOptions{
            .autoLight = false, .reduceNoise = false, .sharpen = false, .aiDetail = false, .strength = 0.7}));

    toggle("sharpenRow");
    EXPECT_TRUE(panel.named("strengthRow")->isEnabled());
    EXPECT_DOUBLE_EQ(panel.model.enhance().strength, 0.7);
    EXPECT_EQ(panel.named<SliderRow>("strengthRow")->slider()->value(), 700);
    panel.named<SliderRow>("strengthRow")->slider()->setValue(250);
    EXPECT_DOUBLE_EQ(panel.model.enhance().strength, 0.25);
}

TEST(ConvertOptionsText, SizeAndEdgeLabels) {
    using namespace ConvertOptionsText;
    EXPECT_EQ(sizeLabel(1500), "1 MB");
    EXPECT_EQ(sizeLabel(1000), "1 MB");
    EXPECT_EQ(sizeLabel(2000), "2 MB");
    EXPECT_EQ(sizeLabel(999), "999 KB");
    EXPECT_EQ(sizeLabel(100), "100 KB");
    EXPECT_EQ(sizeMenuTitle(1500), "Under 1 MB");
    EXPECT_EQ(sizeMenuTitle(std::nullopt), "Any size");
    EXPECT_EQ(edgeMenuTitle(2048), "≤ 2048 px");
    EXPECT_EQ(edgeMenuTitle(std::nullopt), "Original size");
    EXPECT_EQ(SliderRow::percentText(0.57), "57");
    EXPECT_EQ(SliderRow::percentText(0.855), "85");
}

TEST(ConvertOptionsView, QualityRowOnlyForLossyFormatsWithoutASizeTarget) {
    Shown<ConvertOptionsView> panel;
    EXPECT_TRUE(panel.shows("qualityRow"));
    EXPECT_EQ(panel.named<Chip>("sizeChip")->label().title, "Any size");
    panel.choose("sizeMenu", "500 KB");
    EXPECT_EQ(panel.model.convert().maxKB, 500);
    EXPECT_FALSE(panel.shows("qualityRow"));
    panel.choose("sizeMenu", "No limit");
    EXPECT_TRUE(panel.shows("qualityRow"));
    panel.click("formatChip_PNG");
    EXPECT_EQ(panel.model.convert().format, ConvertFormat::png);
    EXPECT_FALSE(panel.shows("qualityRow"));
    EXPECT_EQ(panel.text("formatDescription"), "Lossless, keeps transparency. Bigger files.");

    // A preset's target that no menu entry offers.
    ConvertOptions options = panel.model.convert();
    options.maxKB = 1500;
    panel.model.setConvert(options);
    EXPECT_EQ(panel.named<Chip>("sizeChip")->label().title, "Under 1 MB");
    panel.choose("edgeMenu", "2048 px");
    EXPECT_EQ(panel.named<Chip>("edgeChip")->label().title, "≤ 2048 px");

    auto* metadata = panel.named<SegmentedPicker>("metadataPicker");
    EXPECT_EQ(metadata->currentIndex(), 1);
    QTest::mouseClick(metadata, Qt::LeftButton, {}, metadata->segmentRect(2).center());
    EXPECT_EQ(panel.model.convert().metadata, MetadataPolicy::removeAll);
}

TEST(ConvertOptionsView, BatchEntryOnlyWithoutAPresetOrForBatchesAndItsPanelStartsABatch) {
    for (const auto& [preset, shown] : {std::pair{"to-jpg", false}, {"compress", false}, {"batch", true}}) {
        Shown<ConvertOptionsView> focused;
        focused.focus(preset);
        EXPECT_EQ(focused.shows("batchEntry"), shown) << preset;
    }
    test::TemporaryDirectory folder;
    std::filesystem::create_directory(folder / "in");
    test::writePhoto(folder / "in" / "a.jpg");
    test::writePhoto(folder / "in" / "b.jpg");
    Shown<ConvertOptionsView> panel;
    EXPECT_TRUE(panel.shows("batchEntry"));
    QSignalSpy asked(&panel.model, &EditorModel::batchFolderRequested);

    panel.click("convertManyButton");
    auto* cancelled = panel.named<QFileDialog>("batchSourcePanel");
    ASSERT_NE(cancelled, nullptr);
    EXPECT_EQ(cancelled->windowTitle(), "Choose photos or a folder to convert");
    cancelled->reject();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(asked.count(), 0);

    panel.click("convertManyButton");
    auto* chooser = panel.named<QFileDialog>("batchSourcePanel");
    ASSERT_NE(chooser, nullptr);
    // "Open" with a folder selected chooses the folder instead of stepping into it.
    chooser->setDirectory(QString::fromStdString(folder.path().string()));
    chooser->selectFile(QStringLiteral("in"));
    static_cast<QDialog*>(chooser)->accept();
    ASSERT_EQ(asked.count(), 1);
    EXPECT_EQ(asked.front().front().value<std::size_t>(), 2u);
}

} // namespace
} // namespace orvane
