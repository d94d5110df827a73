#include "platform/image/detail/VipsRuntime.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

// Starting the image library quiets what it and GObject say about odd files, and only that: the
// window's GIO and portal troubles, and any other library's, still reach standard error.
TEST(VipsRuntime, QuietsOnlyTheLibrariesThatTalkAboutFiles) {
    VipsRuntime::ensure();
    testing::internal::CaptureStderr();
    g_log("VIPS", G_LOG_LEVEL_WARNING, "a damaged strip");
    g_log("GLib-GObject", G_LOG_LEVEL_WARNING, "value out of range for property 'xres'");
    g_log("GLib-GObject", G_LOG_LEVEL_CRITICAL, "a bad call made by a loader");
    g_log("GLib-GIO", G_LOG_LEVEL_WARNING, "the portal could not be reached");
    g_log("Orvane-Test", G_LOG_LEVEL_CRITICAL, "someone else's critical");
    g_log(nullptr, G_LOG_LEVEL_WARNING, "a warning of no domain");
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.find("damaged strip"), std::string::npos) << said;
    EXPECT_EQ(said.find("xres"), std::string::npos) << said;
    EXPECT_EQ(said.find("bad call"), std::string::npos) << said;
    EXPECT_NE(said.find("the portal could not be reached"), std::string::npos) << said;
    EXPECT_NE(said.find("someone else's critical"), std::string::npos) << said;
    EXPECT_NE(said.find("a warning of no domain"), std::string::npos) << said;
}

} // namespace
} // namespace orvane
