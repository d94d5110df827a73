#include "platform/files/FileError.h"
#include "platform/files/StreamFile.h"
#include "tests/support/TemporaryDirectory.h"

#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace orvane;
namespace fs = std::filesystem;

TEST(StreamFile, DevicesPipesAndDescriptorsAreStreamsFilesAndFoldersAreNot) {
    test::TemporaryDirectory folder;
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    std::ofstream(folder / "plain.jpg") << "x";
    EXPECT_TRUE(StreamFile::isStream(folder / "pipe"));
    EXPECT_TRUE(StreamFile::isStream("/dev/null"));
    EXPECT_TRUE(StreamFile::isStream("/dev/stdout"));
    EXPECT_TRUE(StreamFile::isStream("/dev/fd/2"));
    EXPECT_FALSE(StreamFile::isStream(folder / "plain.jpg"));
    EXPECT_FALSE(StreamFile::isStream(folder.path()));
    EXPECT_FALSE(StreamFile::isStream(folder / "absent.jpg"));
}

TEST(StreamFile, APipeIsWrittenInPlace) {
    test::TemporaryDirectory folder;
    const fs::path pipe = folder / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] {
        std::ifstream in(pipe, std::ios::binary);
        received.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    });
    const std::vector<std::uint8_t> bytes(100'000, 'z');
    StreamFile::write(pipe, bytes);
    reader.join();
    EXPECT_EQ(received, std::string(100'000, 'z'));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

TEST(StreamFile, AFullDeviceSaysTheDiskIsFull) {
    const std::vector<std::uint8_t> bytes(10, 'z');
    try {
        StreamFile::write("/dev/full", bytes);
        FAIL() << "/dev/full took the bytes";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(),
                     "The file couldn't be saved to “/dev/full”: there isn't enough space on the disk.");
    }
    EXPECT_NO_THROW(StreamFile::checkWritable("/dev/null"));
}
