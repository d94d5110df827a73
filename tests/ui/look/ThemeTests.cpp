#include "tests/ui/support/ScreenshotLook.h"
#include "ui/look/Theme.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

// Whoever draws a screenshot draws it in one of the window's two palettes, whose accent is the
// window's own blue, not Qt's default highlight.
TEST(Theme, BothScreenshotPalettesHaveTheWindowsBlueAsAccent) {
    for (const bool dark : {false, true}) {
        const test::ScreenshotLook look(dark);
        EXPECT_EQ(Theme::isDark(), dark);
        EXPECT_EQ(Theme::accent(), Theme::blue()) << (dark ? "dark" : "light");
    }
    EXPECT_EQ(Theme::lightPalette().color(QPalette::Highlight), QColor(0, 122, 255));
    EXPECT_EQ(Theme::darkPalette().color(QPalette::Highlight), QColor(10, 132, 255));
}

} // namespace
} // namespace orvane
