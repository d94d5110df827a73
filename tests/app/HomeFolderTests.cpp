#include "tests/support/FolderContents.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

using namespace orvane;
namespace fs = std::filesystem;

extern char** environ;

namespace {

// Every name created in or moved into `folder` while the watch lives, even when it is gone again.
class FolderWatch {
public:
    explicit FolderWatch(const fs::path& folder)
        : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        ::inotify_add_watch(fd_, folder.c_str(), IN_CREATE | IN_MOVED_TO);
    }
    ~FolderWatch() { ::close(fd_); }
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    std::vector<std::string> created() const {
        std::vector<std::string> names;
        alignas(inotify_event) std::array<char, 4096> buffer{};
        ssize_t length = 0;
        while ((length = ::read(fd_, buffer.data(), buffer.size())) > 0) {
            for (ssize_t at = 0; at < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + at);
                names.emplace_back(event->len > 0 ? event->name : "");
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return names;
    }

private:
    int fd_;
};

// This process's environment with the user's folders in `folder` and the temporary folder `tmp`;
// without XDG_RUNTIME_DIR when `runtimeFolder` is "unset".
std::vector<std::string> environmentIn(const fs::path& folder, const fs::path& tmp,
                                       const std::string& runtimeFolder) {
    std::vector<std::string> environment;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string entry = *variable;
        if (!entry.starts_with("HOME=") && !entry.starts_with("XDG_") && !entry.starts_with("TMPDIR=")) {
            environment.push_back(entry);
        }
    }
    environment.push_back("HOME=" + (folder / "home").string());
    environment.push_back("XDG_CACHE_HOME=" + (folder / "cache").string());
    environment.push_back("XDG_DATA_HOME=" + (folder / "data").string());
    environment.push_back("XDG_CONFIG_HOME=" + (folder / "config").string());
    environment.push_back("TMPDIR=" + tmp.string());
    if (runtimeFolder != "unset") {
        environment.push_back("XDG_RUNTIME_DIR=" + runtimeFolder);
    }
    return environment;
}

} // namespace

// The image library's code generator makes a file for its code in XDG_RUNTIME_DIR or, without a
// usable one, in the home folder.
TEST(HomeFolder, EnlargingAndEnhancingWriteNothingThere) {
    for (const std::string runtimeFolder : {"unset", "/nonexistent"}) {
        test::TemporaryDirectory folder;
        for (const char* name : {"home", "cache", "data", "config", "tmp", "out"}) {
            fs::create_directory(folder / name);
        }
        const Bytes photo = test::encoded(test::gradient(96, 64), ConvertFormat::jpeg);
        std::ofstream(folder / "photo.jpg", std::ios::binary)
            .write(reinterpret_cast<const char*>(photo.data()), static_cast<std::streamsize>(photo.size()));

        const std::vector<std::string> environment =
            environmentIn(folder.path(), folder / "tmp", runtimeFolder);

        const FolderWatch home(folder / "home");
        const std::string out = (folder / "out").string();
        const std::string input = (folder / "photo.jpg").string();
        EXPECT_EQ(test::runProgram(ORVANE_PROGRAM, {"enlarge", input, "--size", "x2", "--output", out},
                                   environment),
                  0);
        EXPECT_EQ(test::runProgram(ORVANE_PROGRAM, {"enhance", input, "--output", out}, environment), 0);
        EXPECT_TRUE(fs::exists(folder / "out" / "photo-2x.jpg"));
        EXPECT_TRUE(fs::exists(folder / "out" / "photo-enhanced.jpg"));

        std::string created;
        for (const std::string& name : home.created()) {
            created += " " + name;
        }
        EXPECT_EQ(created, "") << "XDG_RUNTIME_DIR " << runtimeFolder;
        EXPECT_TRUE(fs::is_empty(folder / "home"));
    }
}

// Whatever the actions make in the temporary folder goes with them, even the private folder that
// holds it: with TMPDIR pointing at the output folder, only the results are left there.
TEST(HomeFolder, NothingIsLeftInTheTemporaryFolder) {
    test::TemporaryDirectory folder;
    for (const char* name : {"home", "cache", "data", "config", "out"}) {
        fs::create_directory(folder / name);
    }
    const Bytes photo = test::encoded(test::gradient(96, 64), ConvertFormat::jpeg);
    std::ofstream(folder / "photo.jpg", std::ios::binary)
        .write(reinterpret_cast<const char*>(photo.data()), static_cast<std::streamsize>(photo.size()));
    const std::vector<std::string> environment = environmentIn(folder.path(), folder / "out", "unset");
    const std::string out = (folder / "out").string();
    const std::string input = (folder / "photo.jpg").string();
    EXPECT_EQ(
        test::runProgram(ORVANE_PROGRAM, {"enlarge", input, "--size", "x2", "--output", out}, environment),
        0);
    EXPECT_EQ(
        test::runProgram(ORVANE_PROGRAM, {"convert", input, "--format", "png", "--output", out}, environment),
        0);
    EXPECT_EQ(test::namesIn(folder / "out"), (std::vector<std::string>{"photo-2x.jpg", "photo.png"}));
}
