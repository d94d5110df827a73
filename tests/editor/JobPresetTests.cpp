#include "editor/EditorModel.h"
#include "editor/JobPreset.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace orvane;

namespace {

// The special characters spelled by code point, so that a look-alike in the table fails.
QString text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// An editor whose every option differs from what any preset sets, so that each change shows.
void makeUnusual(EditorModel& model) {
    model.setTool(Tool::convert);
    model.setTarget(EnlargeFactor{3.0});
    model.setModel(UpscaleModel::detail);
    model.setBackdrop(BackdropChoice::color);
    model.setBackdropColor(Qt::green);
    model.setEnhance(EnhanceOptions{
        .autoLight = false, .reduceNoise = false, .sharpen = false, .aiDetail = false, .strength = 0.1});
    model.setConvert(ConvertOptions{.format = ConvertFormat::avif,
                                    .quality = 0.3,
                                    .maxKB = 99,
                                    .maxLongEdge = 640,
                                    .metadata = MetadataPolicy::keep,
                                    .keepCaptureDate = false,
                                    .neverLarger = true});
    model.setFormat(ExportFormat::heic);
}

struct Options {
    Tool tool;
    EnlargeTarget target;
    UpscaleModel model;
    BackdropChoice backdrop;
    QColor backdropColor;
    EnhanceOptions enhance;
    ConvertOptions convert;
    ExportFormat format;
    friend bool operator==(const Options&, const Options&) = default;
};

Options options(const EditorModel& model) {
    return {model.tool(),          model.target(),  model.model(),   model.backdrop(),
            model.backdropColor(), model.enhance(), model.convert(), model.format()};
}

} // namespace

TEST(JobPresets, TheTableReadsExactlyAsTheHomeScreenShowsIt) {
    using S = JobPreset::Section;
    const char* enlarge = "arrow.up.left.and.arrow.down.right";
    const std::vector<JobPreset> expected{
        {"enlarge-2", S::enlarge, text("Enlarge 2\u00D7"), "Double the size, sharper", enlarge, Tool::enlarge,
         false, false, true},
        {"enlarge-4", S::enlarge, text("Enlarge 4\u00D7"), "Four times bigger", enlarge, Tool::enlarge, false,
         false, true},
        {"enlarge-8", S::enlarge, text("Enlarge 8\u00D7"), text("Huge \u2014 posters and prints"), enlarge,
         Tool::enlarge, false, false, true},
        {"enlarge-print", S::enlarge, "Enlarge for print", text("A4 to 70\u00D7100 cm at 300 dpi"), "printer",
         Tool::enlarge, false, true, true},
        {"enlarge-screen", S::enlarge, "Wallpaper", "Sharp at this screen\x27s size", "display",
         Tool::enlarge, false, false, true},
        {"enlarge-art", S::enlarge, "Enlarge art & logos", "Drawings, logos, AI images", "paintbrush.pointed",
         Tool::enlarge, false, true, false},
        {"bg-remove", S::background, "Remove background", "Transparent PNG, stickers",
         "person.crop.rectangle", Tool::background, false, false, true},
        {"bg-white", S::background, "White background", "Product & listing photos", "rectangle.portrait",
         Tool::background, false, false, true},
        {"bg-blur", S::background, "Blur background", "Portrait look", "camera.aperture", Tool::background,
         false, false, true},
        {"enhance", S::fix, "Enhance", "Light, colour, noise, detail", "wand.and.stars", Tool::enhance, false,
         false, true},
        {"to-jpg", S::convert, "To JPG", text("HEIC, RAW, WebP \u2192 opens anywhere"),
         "arrow.triangle.2.circlepath", Tool::convert, false, false, true},
        {"compress", S::convert, "Shrink file size", "Under 500 KB for forms & email",
         "arrow.down.right.and.arrow.up.left", Tool::convert, false, false, true},
        {"to-web", S::convert, "For websites", "Small WebP, no location", "globe", Tool::convert, false,
         false, true},
        {"batch", S::convert, "Convert many", "A folder or hundreds of photos", "square.stack.3d.down.right",
         Tool::convert, true, false, true},
    };
    const auto& all = JobPreset::all();
    ASSERT_EQ(all.size(), expected.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        SCOPED_TRACE(expected[i].id.toStdString());
        EXPECT_EQ(all[i].id, expected[i].id);
        EXPECT_EQ(all[i].section, expected[i].section);
        EXPECT_EQ(all[i].title, expected[i].title);
        EXPECT_EQ(all[i].subtitle, expected[i].subtitle);
        EXPECT_EQ(all[i].symbol, expected[i].symbol);
        EXPECT_EQ(all[i].tool, expected[i].tool);
        EXPECT_EQ(all[i].isBatch, expected[i].isBatch);
        EXPECT_EQ(all[i].showsSize, expected[i].showsSize);
        EXPECT_EQ(all[i].showsStyle, expected[i].showsStyle);
    }
}

TEST(JobPresets, FindMatchesTheIdExactly) {
    ASSERT_TRUE(JobPreset::find("batch"));
    EXPECT_EQ(*JobPreset::find("batch"), JobPreset::all().back());
    EXPECT_EQ(JobPreset::find("enlarge-4")->title, text("Enlarge 4\u00D7"));
    EXPECT_FALSE(JobPreset::find("Batch"));
    EXPECT_FALSE(JobPreset::find("batch "));
    EXPECT_FALSE(JobPreset::find(""));
}

TEST(JobPresets, ApplyingSetsTheToolAndOnlyTheOptionsOfItsRow) {
    const PrintSize a4{"A4", 21.0, 29.7};
    const ConvertOptions toJPG{
        ConvertFormat::jpeg, 0.9, std::nullopt, std::nullopt, MetadataPolicy::removeLocation, true, false};
    const std::map<QString, std::function<void(Options&)>> rows{
        {"enlarge-2", [](Options& o) { o.target = EnlargeFactor{2.0}, o.model = UpscaleModel::fast; }},
        {"enlarge-4", [](Options& o) { o.target = EnlargeFactor{4.0}, o.model = UpscaleModel::fast; }},
        {"enlarge-8", [](Options& o) { o.target = EnlargeFactor{8.0}, o.model = UpscaleModel::fast; }},
        {"enlarge-print", [&](Options& o) { o.target = EnlargePrint{a4}, o.model = UpscaleModel::fast; }},
        {"enlarge-screen", [](Options& o) { o.target = EnlargeScreen{}, o.model = UpscaleModel::fast; }},
        {"enlarge-art", [](Options& o) { o.target = EnlargeFactor{4.0}, o.model = UpscaleModel::art; }},
        {"bg-remove", [](Options& o) { o.backdrop = BackdropChoice::transparent; }},
        {"bg-white", [](Options& o) { o.backdrop = BackdropChoice::white; }},
        {"bg-blur", [](Options& o) { o.backdrop = BackdropChoice::blur; }},
        {"enhance",
         [](Options& o) {
             o.enhance = EnhanceOptions{
                 .autoLight = true, .reduceNoise = true, .sharpen = true, .aiDetail = true, .strength = 0.5};
         }},
        {"to-jpg", [&](Options& o) { o.convert = toJPG; }},
        {"compress",
         [](Options& o) {
             o.convert = {
                 ConvertFormat::jpeg, 0.85, 500, std::nullopt, MetadataPolicy::removeLocation, true, true};
         }},
        {"to-web",
         [](Options& o) {
             o.convert = {ConvertFormat::webp,       0.82, std::nullopt, 2048,
                          MetadataPolicy::removeAll, true, false};
         }},
        {"batch", [&](Options& o) { o.convert = toJPG; }},
    };
    ASSERT_EQ(rows.size(), JobPreset::all().size());
    for (const auto& preset : JobPreset::all()) {
        SCOPED_TRACE(preset.id.toStdString());
        EditorModel model;
        makeUnusual(model);
        Options expected = options(model);
        expected.tool = preset.tool;
        rows.at(preset.id)(expected);
        model.apply(preset);
        EXPECT_EQ(options(model), expected);
        // Opening the job screen is the window's business.
        EXPECT_FALSE(model.focus());
    }

    EditorModel model;
    makeUnusual(model);
    JobPreset unknown = JobPreset::all().front();
    unknown.id = "enlarge-16";
    unknown.tool = Tool::background;
    Options expected = options(model);
    expected.tool = Tool::background;
    model.apply(unknown);
    EXPECT_EQ(options(model), expected);
}

TEST(JobPresets, ApplyingWhatIsAlreadySetIsSilent) {
    EditorModel model;
    model.setTool(Tool::convert);
    model.setModel(UpscaleModel::art);
    QSignalSpy tool(&model, &EditorModel::toolChanged);
    QSignalSpy target(&model, &EditorModel::targetChanged);
    QSignalSpy style(&model, &EditorModel::modelChanged);
    QSignalSpy enhance(&model, &EditorModel::enhanceChanged);

    model.apply(*JobPreset::find("enlarge-4"));
    model.apply(*JobPreset::find("enlarge-4"));
    EXPECT_EQ(tool.count(), 1);
    // The default target is already 4×.
    EXPECT_EQ(target.count(), 0);
    EXPECT_EQ(style.count(), 1);

    model.apply(*JobPreset::find("enlarge-print"));
    model.apply(*JobPreset::find("enlarge-print"));
    EXPECT_EQ(target.count(), 1);
    ASSERT_TRUE(std::holds_alternative<EnlargePrint>(model.target()));
    // Not the first paper in the list, but the one the tile names.
    EXPECT_NE(PrintSize::presets().front().name, "A4");
    EXPECT_EQ(std::get<EnlargePrint>(model.target()).size.name, "A4");

    // The default enhance options already match.
    model.apply(*JobPreset::find("enhance"));
    EXPECT_EQ(enhance.count(), 0);
    EXPECT_EQ(tool.count(), 2);
}

TEST(JobPresets, EachRowCarriesTheOptionsOfItsOwnToolAndNoOthers) {
    for (const auto& preset : JobPreset::all()) {
        SCOPED_TRACE(preset.id.toStdString());
        const JobPreset::Options& options = preset.options;
        EXPECT_EQ(options.target.has_value(), preset.tool == Tool::enlarge);
        EXPECT_EQ(options.model.has_value(), preset.tool == Tool::enlarge);
        EXPECT_EQ(options.backdrop.has_value(), preset.tool == Tool::background);
        EXPECT_EQ(options.enhance.has_value(), preset.tool == Tool::enhance);
        EXPECT_EQ(options.convert.has_value(), preset.tool == Tool::convert);
    }
}
