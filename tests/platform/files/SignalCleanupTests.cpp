#include "platform/files/SignalCleanup.h"
#include "tests/support/TemporaryDirectory.h"

#include <chrono>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
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
            SignalCleanup::Registration reservation(reserved);
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
            const SignalCleanup::Registration registration(name, [&] {
                terminateMeanwhile();
                if (made) {
                    std::ofstream(name) << "";
                }
                return made;
            });
        });
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
        EXPECT_EQ(fs::exists(name), !made);
    }
}
