#include "tests/ui/support/ResultScreenshots.h"
#include "tests/ui/support/ScreenshotLook.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

// Writes the screenshots when ORVANE_SCREENSHOTS names a folder; otherwise there is nothing to do.
TEST(Screenshots, CompareResultAndBatch) {
    const QString folder = qEnvironmentVariable("ORVANE_SCREENSHOTS");
    if (folder.isEmpty()) {
        GTEST_SKIP() << "set ORVANE_SCREENSHOTS to a folder to write them";
    }
    for (const bool dark : {false, true}) {
        const test::ScreenshotLook look(dark);
        test::saveResultScreenshots(folder, dark ? QStringLiteral("dark") : QStringLiteral("light"));
    }
}

} // namespace
} // namespace orvane
