#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"
#include "tests/ui/support/WindowTestSupport.h"
#include "ui/job/ResultCard.h"
#include "ui/window/ContentView.h"

#include <QScrollArea>
#include <QScrollBar>

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

} // namespace
} // namespace orvane
