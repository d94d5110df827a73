#include "tests/ui/support/PanelScreenshots.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace orvane {
namespace {

// Only on request: ORVANE_SCREENSHOTS names the folder that receives the pictures.
TEST(PanelScreenshots, WritesEveryPanelStateWhenAsked) {
    const char* folder = std::getenv("ORVANE_SCREENSHOTS");
    if (!folder || !*folder) {
        GTEST_SKIP() << "set ORVANE_SCREENSHOTS to a folder to write the panels' screenshots";
    }
    test::writePanelScreenshots(folder);
}

} // namespace
} // namespace orvane
