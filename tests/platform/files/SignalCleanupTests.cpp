#include "platform/files/SignalCleanup.h"
#include "tests/support/TemporaryDirectory.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

// Runs `body` in a child that has a second thread, so that a signal sent to the process can be
// handled on that thread while `body` holds it off its own; returns how the child ended.
template <typename Body> int inChild(Body body) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::thread idle([] { std::this_thread::sleep_for(std::chrono::seconds(10)); });
        idle.detach();
        body();
        // The signal is being handled on the other thread, which ends the process by it.
        std::this_thread::sleep_for(std::chrono::seconds(5));
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

std::optional<SignalCleanup::FileIdentity> identityOf(const fs::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return SignalCleanup::FileIdentity::of(status);
}

// An open folder for as long as it lives.
class Folder {
public:
    explicit Folder(const fs::path& path)
        : fd_(::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)) {}
    ~Folder() { ::close(fd_); }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

// Sends the process SIGTERM and gives the other thread time to be inside the handler.
void terminateMeanwhile() {
    ::kill(::getpid(), SIGTERM);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
}

} // namespace

// A name reserved as an empty file becomes the user's file by a rename over it: a signal that comes
// while that happens must not remove the user's file, and one that comes before must remove the
// reservation.
TEST(SignalCleanup, ASignalWhileAFileIsSettledWaitsToKnowWhetherItIsStillTheProcesssOwn) {
    for (const bool handedOver : {true, false}) {
        test::TemporaryDirectory folder;
        const fs::path reserved = folder / "owl.png";
        const fs::path hidden = folder / ".owl.png.tmp";
        const int status = inChild([&] {
            std::ofstream(reserved) << "";
            std::ofstream(hidden) << "the photo";
            const Folder open(folder.path());
            SignalCleanup::Registration reservation(open.fd(), "owl.png",
                                                    [&] { return identityOf(reserved); });
            reservation.settle([&] {
                terminateMeanwhile();
                if (handedOver) {
                    fs::rename(hidden, reserved);
                }
                return handedOver;
            });
        });
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
        EXPECT_EQ(fs::exists(reserved), handedOver);
    }
}

TEST(SignalCleanup, AFileMadeWhileASignalWaitsIsRemovedAndANameFoundTakenIsNot) {
    for (const bool made : {true, false}) {
        test::TemporaryDirectory folder;
        const fs::path name = folder / "owl.png";
        if (!made) {
            std::ofstream(name) << "someone else's";
        }
        const int status = inChild([&] {
            const Folder open(folder.path());
            const SignalCleanup::Registration registration(
                open.fd(), "owl.png", [&]() -> std::optional<SignalCleanup::FileIdentity> {
                    terminateMeanwhile();
                    if (!made) {
                        return std::nullopt;
                    }
                    std::ofstream(name) << "";
                    return identityOf(name);
                });
        });
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
        EXPECT_EQ(fs::exists(name), !made);
    }
}

// The handler finds a file through its folder's descriptor, whatever the path has become, and
// removes it only while its name still leads to it.
TEST(SignalCleanup, OnlyTheRegisteredFileIsRemovedWhereverItsFolderWent) {
    test::TemporaryDirectory folder;
    fs::create_directories(folder / "Out");
    std::ofstream(folder / "Out" / "swapped.png") << "partial";
    std::ofstream(folder / "Out" / "moved.png") << "partial";
    std::ofstream(folder / "theirs.png") << "someone else's";
    const int status = inChild([&] {
        const Folder out(folder / "Out");
        const auto registered = [&](const std::string& name) {
            return std::make_unique<SignalCleanup::Registration>(
                out.fd(), name, [&] { return identityOf(folder / "Out" / name); });
        };
        const auto swapped = registered("swapped.png");
        const auto moved = registered("moved.png");
        // Another program puts its own file under one name, and moves the whole folder away.
        fs::rename(folder / "theirs.png", folder / "Out" / "swapped.png");
        fs::rename(folder / "Out", folder / "Moved");
        terminateMeanwhile();
    });
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    std::ifstream theirs(folder / "Moved" / "swapped.png");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(theirs), {}), "someone else's");
    EXPECT_FALSE(fs::exists(folder / "Moved" / "moved.png"));
}
