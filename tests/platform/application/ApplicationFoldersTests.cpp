#include "platform/application/ApplicationResources.h"
#include "platform/files/UserFolders.h"
#include "tests/support/PrivateUserFolders.h"
#include "tests/support/TemporaryDirectory.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

using namespace orvane;
namespace fs = std::filesystem;

TEST(ApplicationResources, FindsTheModelsFolderOfTheBuildTreeAndOfAnInstallation) {
    // This test program runs from build/tests/platform; the build tree's root is two levels up
    // from the test networks' folder.
    const fs::path buildTree = fs::path(ORVANE_TEST_NETWORKS).parent_path().parent_path();
    const auto models = ApplicationResources::modelsFolder();
    ASSERT_TRUE(models.has_value());
    EXPECT_TRUE(fs::equivalent(*models, buildTree / "share" / "orvane" / "models"));

    test::TemporaryDirectory prefix;
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "share" / "orvane" / "models");
    EXPECT_EQ(ApplicationResources::findUpwards(prefix / "bin", "share/orvane/models"),
              prefix / "share" / "orvane" / "models");
    EXPECT_EQ(ApplicationResources::findUpwards(prefix / "bin", "share/orvane-absent-folder"), std::nullopt);
}

TEST(UserFolders, CachesFollowXdgCacheHomeWhenItIsAbsolute) {
    const char* saved = std::getenv("XDG_CACHE_HOME");
    const std::optional<std::string> previous = saved ? std::optional<std::string>(saved) : std::nullopt;
    const fs::path home = std::getenv("HOME") ? std::getenv("HOME") : "";

    ::setenv("XDG_CACHE_HOME", "/somewhere/cache", 1);
    EXPECT_EQ(UserFolders::caches(), fs::path("/somewhere/cache"));
    ::setenv("XDG_CACHE_HOME", "relative/cache", 1);
    EXPECT_EQ(UserFolders::caches(), home / ".cache");
    ::unsetenv("XDG_CACHE_HOME");
    EXPECT_EQ(UserFolders::caches(), home / ".cache");

    if (previous) {
        ::setenv("XDG_CACHE_HOME", previous->c_str(), 1);
    }
}

TEST(UserFolders, TestProgramsUseAPrivateHomeAndCaches) {
    const fs::path& root = test::privateUserFolder();
    ASSERT_FALSE(root.empty());
    EXPECT_EQ(fs::path(std::getenv("HOME")), root / "home");
    EXPECT_EQ(fs::path(std::getenv("XDG_DATA_HOME")), root / "data");
    EXPECT_EQ(UserFolders::caches(), root / "cache");
    EXPECT_TRUE(fs::is_directory(UserFolders::caches()));
}
