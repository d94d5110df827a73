#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"
#include "tests/ui/support/WindowTestSupport.h"
#include "ui/compare/CompareGeometry.h"
#include "ui/compare/CompareView.h"
#include "ui/job/ResultCard.h"
#include "ui/window/ContentView.h"

#include <QScrollArea>
#include <QScrollBar>
#include <fstream>

namespace orvane {
namespace {

// In the smallest window the side pane's options reach below its fold; a result arriving there is
// brought into view rather than left for the user to find.
TEST(EditorPage, AResultBelowTheFoldOfTheSmallestWindowIsScrolledIntoView) {
    test::TemporaryDirectory folder;
    JobGallery gallery(folder / "Jobs");
    ContentView window(&gallery);
    window.resize(ContentView::minimumContentSize);
    window.show();
    window.model().loadFile(test::writePhoto(folder / "photo.jpg", 320, 240));
    ASSERT_TRUE(test::waitUntilLoaded(window.model()));
    window.openEditor();
    // The longest of the tools' options.
    window.model().setTool(Tool::convert);
    // Laid out as the user sees it.
    QTest::qWait(50);
    auto* pane = test::child<QScrollArea>(window, "sidePaneScroll");
    auto* card = window.findChild<ResultCard*>();
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(pane->verticalScrollBar()->value(), 0);

    const Bitmap result = test::gradient(640, 480);
    window.model().setResultPreview(result);
    window.model().setResultInfo(ResultInfo{
        .width = 640, .height = 480, .label = "JPG", .convertedBytes = 40'000, .sourceBytes = 90'000});
    const auto cardShown = [&] {
        const QRect inPane(card->mapTo(pane->viewport(), QPoint(0, 0)), card->size());
        return pane->viewport()->rect().contains(inPane);
    };
    QTest::qWait(50);
    EXPECT_TRUE(cardShown());
    EXPECT_GT(pane->verticalScrollBar()->value(), 0);
}

// Whether a pixel shows the see-through grid: its white or its grey, exactly.
bool onGrid(const QImage& image, QPoint point) {
    const QRgb pixel = image.pixel(point);
    return pixel == qRgb(255, 255, 255) || pixel == qRgb(230, 230, 230) || pixel == qRgb(230, 230, 231);
}

// A cut-out reused for a new job: what is see-through shows on the grid the compare view draws
// under a transparent result, on the editor's canvas before any run and on the home screen's
// card, not as the canvas or the card's own colour.
TEST(EditorPage, ASeeThroughPhotoShowsOnTheGridBeforeAnyRunAndOnTheHomeCard) {
    test::TemporaryDirectory folder;
    const Bytes png = test::encoded(test::logoOnTransparency(400, 200), ConvertFormat::png);
    std::ofstream(folder / "cutout.png", std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    test::writePhoto(folder / "photo.jpg", 400, 200);
    JobGallery gallery(folder / "Jobs");
    ContentView window(&gallery);
    window.resize(ContentView::defaultSize);
    window.show();

    for (const bool seeThrough : {true, false}) {
        window.model().loadFile(folder / (seeThrough ? "cutout.png" : "photo.jpg"));
        ASSERT_TRUE(test::waitUntilLoaded(window.model()));
        window.goHome();
        QTest::qWait(20);
        QWidget* preview = test::child(window, "photoPreview");
        const QImage card = preview->grab().toImage();
        // The right of the square shows the photo's right half: the transparent part of the cut-out.
        const QPoint right(card.width() * 3 / 4, card.height() / 2);
        EXPECT_EQ(onGrid(card, right), seeThrough) << seeThrough;
        EXPECT_FALSE(onGrid(card, QPoint(card.width() / 4, card.height() / 2)));

        window.openEditor();
        QTest::qWait(20);
        auto* compare = window.findChild<CompareView*>();
        ASSERT_NE(compare, nullptr);
        const QImage canvas = compare->grab().toImage();
        const QRectF fitted = CompareGeometry::fittedRect(QSizeF(compare->size()), QSize(400, 200));
        const qreal scale = canvas.width() / qreal(compare->width());
        const auto at = [&](qreal fraction) {
            return QPoint(int((fitted.left() + fitted.width() * fraction) * scale),
                          int(fitted.center().y() * scale));
        };
        EXPECT_EQ(onGrid(canvas, at(0.8)), seeThrough) << seeThrough;
        EXPECT_FALSE(onGrid(canvas, at(0.2)));
    }
}

} // namespace
} // namespace orvane
