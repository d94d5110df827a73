#include "platform/files/FileDates.h"
#include "platform/files/FileError.h"
#include "platform/files/PrivateFolder.h"
#include "tests/support/TemporaryDirectory.h"

#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace orvane;
namespace fs = std::filesystem;

namespace {
mode_t modeOf(const fs::path& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 ? status.st_mode & 0777 : 0;
}
} // namespace

TEST(PrivateFolder, IsMadeForThisUserAloneAndTakenAgainAsItIs) {
    test::TemporaryDirectory directory;
    const fs::path folder = directory / "mine";
    EXPECT_EQ(PrivateFolder::make(folder), folder);
    EXPECT_EQ(modeOf(folder), 0700U);
    std::ofstream(folder / "kept") << "x";
    EXPECT_EQ(PrivateFolder::make(folder), folder);
    EXPECT_TRUE(fs::exists(folder / "kept"));
}

TEST(PrivateFolder, WhatOthersCouldEnterOrRedirectIsRefused) {
    test::TemporaryDirectory directory;
    const fs::path open = directory / "open";
    fs::create_directory(open);
    fs::permissions(open, fs::perms(0755));
    const fs::path link = directory / "link";
    fs::create_directory_symlink(PrivateFolder::make(directory / "private"), link);
    const fs::path file = directory / "file";
    std::ofstream(file) << "x";
    for (const fs::path& path : {open, link, file, directory / "missing" / "deeper"}) {
        EXPECT_THROW(PrivateFolder::make(path), FileError) << path;
    }
    EXPECT_EQ(modeOf(open), 0755U); // refused, not changed
}

TEST(FileDates, TheModificationDateKeepsItsNanoseconds) {
    test::TemporaryDirectory directory;
    const fs::path file = directory / "dated";
    std::ofstream(file) << "x";
    const timespec times[2] = {{1'700'000'000, 250'000'001}, {1'700'000'000, 250'000'001}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    const auto date = FileDates::modified(file);
    ASSERT_TRUE(date);
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::nanoseconds>(date->time_since_epoch()).count(),
              1'700'000'000'250'000'001);
    EXPECT_FALSE(FileDates::modified(directory / "missing"));
}
