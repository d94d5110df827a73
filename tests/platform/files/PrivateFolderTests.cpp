#include "platform/files/FileDates.h"
#include "platform/files/FileError.h"
#include "platform/files/PrivateFolder.h"
#include "tests/support/TemporaryDirectory.h"

#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

namespace {

// Runs `body` in a child that then exits as a program does, running its exit handlers; waits for it.
template <typename Body> void inExitingChild(Body body) {
    const pid_t child = ::fork();
    if (child == 0) {
        body();
        std::exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

} // namespace

TEST(PrivateFolder, EmptyFoldersAProcessMadeGoWhenItExits) {
    test::TemporaryDirectory directory;
    const fs::path folder = directory / "orvane-1000";
    inExitingChild([&] { PrivateFolder::make(PrivateFolder::make(folder) / "export"); });
    EXPECT_FALSE(fs::exists(folder));

    // One that holds a file stays, and so does its parent; so does one that was there before.
    inExitingChild(
        [&] { std::ofstream(PrivateFolder::make(PrivateFolder::make(folder) / "export") / "kept") << "x"; });
    EXPECT_TRUE(fs::exists(folder / "export" / "kept"));
    fs::remove(folder / "export" / "kept");
    inExitingChild([&] { PrivateFolder::make(PrivateFolder::make(folder) / "export"); });
    EXPECT_TRUE(fs::exists(folder / "export"));
}

TEST(PrivateFolder, AFolderAnotherProcessStillUsesIsNotRemoved) {
    test::TemporaryDirectory directory;
    const fs::path folder = directory / "orvane-1000";
    int made[2];
    int done[2];
    ASSERT_EQ(::pipe(made), 0);
    ASSERT_EQ(::pipe(done), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        PrivateFolder::make(folder);
        char byte = 'm';
        (void)!::write(made[1], &byte, 1);
        (void)!::read(done[0], &byte, 1); // until this process has taken it too
        std::exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(made[0], &byte, 1), 1);
    EXPECT_EQ(PrivateFolder::make(folder), folder);
    ASSERT_EQ(::write(done[1], &byte, 1), 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(fs::is_directory(folder));
    for (const int fd : {made[0], made[1], done[0], done[1]}) {
        ::close(fd);
    }
}
