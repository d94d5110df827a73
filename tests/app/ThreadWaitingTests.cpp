#include "tests/support/ProgramRun.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace orvane;

namespace {

// What the networks' OpenMP runtime settled on when the program started, as the runtime itself
// reports it, and whether the program then ran as asked (the arguments reached it unchanged).
struct Started {
    std::string spinCount;
    bool ranAsAsked = false;
};

Started start(std::vector<std::string> environment, std::vector<std::string> arguments = {"--version"}) {
    environment.push_back("OMP_DISPLAY_ENV=verbose");
    environment.push_back("PATH=/usr/bin:/bin");
    const test::ProgramOutput output =
        test::runProgramCapturing(ORVANE_PROGRAM, std::move(arguments), environment);
    Started started;
    const std::string key = "GOMP_SPINCOUNT = '";
    if (const auto at = output.err.find(key); at != std::string::npos) {
        const auto from = at + key.size();
        started.spinCount = output.err.substr(from, output.err.find('\'', from) - from);
    }
    // One report: the runtime of a program started twice over would report twice.
    started.ranAsAsked =
        output.status == 0 && !output.out.empty() && output.err.find(key) == output.err.rfind(key);
    return started;
}

} // namespace

// Threads that wait for a layer's last thread sleep at once instead of spinning, unless whoever
// started the program chose how they wait themselves.
TEST(ThreadWaiting, NetworksThreadsSleepUnlessTheUserChoseOtherwise) {
    const Started plain = start({});
    EXPECT_TRUE(plain.ranAsAsked);
    EXPECT_EQ(plain.spinCount, "0");

    const Started active = start({"OMP_WAIT_POLICY=active"});
    EXPECT_TRUE(active.ranAsAsked);
    EXPECT_EQ(active.spinCount, "30000000000");

    const Started counted = start({"GOMP_SPINCOUNT=2500"});
    EXPECT_TRUE(counted.ranAsAsked);
    EXPECT_EQ(counted.spinCount, "2500");

    // A conversion runs no such network and is spared the second start that the setting takes.
    const Started converting = start({}, {"convert", "--help"});
    EXPECT_TRUE(converting.ranAsAsked);
    EXPECT_EQ(converting.spinCount, "300000");
}
