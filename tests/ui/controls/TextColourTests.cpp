#include "editor/JobGallery.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"
#include "tests/ui/support/WindowTestSupport.h"
#include "ui/controls/SectionLabel.h"
#include "ui/controls/TextLabel.h"
#include "ui/home/JobTile.h"
#include "ui/job/EditorPage.h"
#include "ui/look/Theme.h"

#include <QLabel>

namespace orvane {
namespace {

// The label as it is drawn inside `root`, over whatever lies behind it there.
QImage drawn(QWidget& root, const QLabel& label) {
    QCoreApplication::processEvents();
    const QRect area(label.mapTo(&root, QPoint(0, 0)), label.size());
    return root.grab(area).toImage().convertToFormat(QImage::Format_RGB32);
}

// The pixel where the text is most strongly drawn: the darkest on a light background.
QColor darkest(const QImage& image) {
    QColor found = Qt::white;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.lightness() < found.lightness()) {
                found = pixel;
            }
        }
    }
    return found;
}

// The most saturated pixel: the core of coloured text.
QColor mostSaturated(const QImage& image) {
    QColor found = Qt::white;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.hsvSaturation() > found.hsvSaturation()) {
                found = pixel;
            }
        }
    }
    return found;
}

// Secondary text is the primary colour at 55 %: on a light background its darkest pixel stays
// well away from black, which is what primary text reaches.
void expectSecondary(const QImage& image, const char* what) {
    ASSERT_LT(Theme::primary().lightness(), 60) << "the test expects a light palette";
    const QColor core = darkest(image);
    EXPECT_GT(core.lightness(), 80) << what << " drawn as " << core.name().toStdString();
    EXPECT_LT(core.lightness(), 200) << what << " not drawn at all";
}

void expectOrange(const QImage& image, const char* what) {
    const QColor core = mostSaturated(image);
    const QColor orange = Theme::orange();
    EXPECT_GT(core.hsvSaturation(), 180) << what << " drawn as " << core.name().toStdString();
    EXPECT_NEAR(core.hsvHue(), orange.hsvHue(), 8) << what << " drawn as " << core.name().toStdString();
}

TEST(TextColour, CaptionsAndTheOrangeNoteKeepTheirColourInTheEditorsSidePane) {
    test::TemporaryDirectory folder;
    JobGallery gallery(folder / "Jobs");
    EditorModel model;
    model.setSource(test::solid(64, 48, 90, 140, 200));
    ASSERT_TRUE(test::waitUntilLoaded(model));
    model.setTool(Tool::background);
    model.setFormat(ExportFormat::jpeg);
    model.setResultInfo(
        ResultInfo{.width = 64, .height = 48, .seconds = 1, .hasAlpha = true, .label = "Background removed"});
    EditorPage page(model, gallery, {});
    page.resize(1180, 760);
    page.show();
    ASSERT_EQ(page.layout(), EditorPage::Layout::work);
    QWidget* pane = test::child(page, "sidePane");
    ASSERT_EQ(pane->backgroundRole(), QPalette::Base);

    const auto* note = test::child<QLabel>(*pane, "alphaNote");
    ASSERT_TRUE(test::isShown(note));
    expectOrange(drawn(*pane, *note), "the transparency note");
    const auto* detail = test::child<QLabel>(*pane, "resultDetail");
    expectSecondary(drawn(*pane, *detail), "the result's detail line");
    for (const SectionLabel* heading : pane->findChildren<SectionLabel*>()) {
        if (test::isShown(heading)) {
            expectSecondary(drawn(*pane, *heading), qPrintable(heading->text()));
        }
    }
}

TEST(TextColour, ATilesSubtitleIsSecondaryAndColouredTextKeepsItsColourInAButton) {
    JobTile tile(*JobPreset::find("enlarge-4"), [] {});
    // Coloured text placed on a tile, as any button could hold it.
    auto* note = new TextLabel(QStringLiteral("Only PNG keeps the transparent background."),
                               Theme::TextStyle::caption, QFont::Normal, Theme::orange, &tile);
    tile.resize(240, 130);
    note->move(14, 100);
    note->adjustSize();
    tile.show();
    ASSERT_EQ(tile.backgroundRole(), QPalette::Button);
    const QList<TextLabel*> labels = tile.findChildren<TextLabel*>();
    const auto subtitle = std::find_if(labels.begin(), labels.end(),
                                       [](TextLabel* label) { return label->text() == "Four times bigger"; });
    ASSERT_NE(subtitle, labels.end());
    expectSecondary(drawn(tile, **subtitle), "the tile's subtitle");
    expectOrange(drawn(tile, *note), "orange text on a tile");
}

} // namespace
} // namespace orvane
