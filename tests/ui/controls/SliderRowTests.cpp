#include "tests/ui/support/ScreenshotLook.h"
#include "tests/ui/support/WindowTestSupport.h"
#include "ui/controls/SliderRow.h"
#include "ui/look/Theme.h"

#include <QSlider>
#include <algorithm>

namespace orvane {
namespace {

// Pixels of `image` in the accent colour, as a focus ring draws it.
int accentPixels(const QImage& image) {
    const QColor accent = Theme::accent();
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            count += std::max({std::abs(pixel.red() - accent.red()), std::abs(pixel.green() - accent.green()),
                               std::abs(pixel.blue() - accent.blue())}) < 24;
        }
    }
    return count;
}

// A slider reached by Tab shows the ring every other control draws, around its knob, in both
// looks; before the change, the light look had only the style's hairline. A click drops it.
TEST(SliderRow, TheFocusedSliderShowsTheRingInBothLooks) {
    for (const bool dark : {false, true}) {
        const test::ScreenshotLook look(dark);
        QWidget window;
        auto* row = new SliderRow(QStringLiteral("Quality"), 0.3, 1.0, true, &window);
        row->setValue(0.3); // the knob at the start, over the track's filled part's end
        row->resize(320, row->sizeHint().height());
        window.resize(340, 60);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        QSlider* slider = row->slider();
        const int unfocused = accentPixels(slider->grab().toImage());
        QTest::keyClick(&window, Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), slider);
        const QImage focused = slider->grab().toImage();
        // A ring of 2.5 points around a knob of some 12: about a hundred pixels.
        EXPECT_GT(accentPixels(focused) - unfocused, 60) << (dark ? "dark" : "light");
        EXPECT_LE(focused.height(), 40);

        QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(slider->width() - 2, slider->height() / 2));
        EXPECT_LE(accentPixels(slider->grab().toImage()) - unfocused, 20);
    }
}

} // namespace
} // namespace orvane
