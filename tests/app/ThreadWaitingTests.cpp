#include "platform/networks/OpenMpWaitPolicy.h"
#include "tests/support/ProgramRun.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

using namespace orvane;

namespace {

// What the networks' OpenMP runtime settled on when the program started, as the runtime itself
// reports it, and whether the program then ran as asked (the arguments reached it unchanged).
struct Started {
    std::string spinCount;
    std::string threads;
    bool ranAsAsked = false;
};

Started start(std::vector<std::string> environment, std::vector<std::string> arguments = {"--version"}) {
    environment.push_back("OMP_DISPLAY_ENV=verbose");
    environment.push_back("PATH=/usr/bin:/bin");
    const test::ProgramOutput output =
        test::runProgramCapturing(ORVANE_PROGRAM, std::move(arguments), environment);
    Started started;
    const auto reported = [&](const std::string& name) {
        const std::string key = name + " = '";
        const auto at = output.err.find(key);
        if (at == std::string::npos) {
            return std::string();
        }
        const auto from = at + key.size();
        return output.err.substr(from, output.err.find('\'', from) - from);
    };
    started.spinCount = reported("GOMP_SPINCOUNT");
    started.threads = reported("OMP_NUM_THREADS");
    const std::string key = "GOMP_SPINCOUNT = '";
    // One report: the runtime of a program started twice over would report twice.
    started.ranAsAsked =
        output.status == 0 && !output.out.empty() && output.err.find(key) == output.err.rfind(key);
    return started;
}

} // namespace

// Other programs' threads ready to run on the processors: this test's own, spinning.
class BusyProcessors {
public:
    BusyProcessors() {
        for (unsigned i = 0; i < std::max(2u, std::thread::hardware_concurrency()); ++i) {
            threads_.emplace_back([this] {
                while (!stop_) {
                }
            });
        }
    }
    ~BusyProcessors() {
        stop_ = true;
        for (auto& thread : threads_) {
            thread.join();
        }
    }

private:
    std::atomic<bool> stop_ = false;
    std::vector<std::thread> threads_;
};

// Spinning at each layer's barrier is the quicker on free cores; beside a quarter of the cores
// taken by others, the threads sleep at once.
TEST(ThreadWaiting, TheThreadsSleepAtOnceOnlyWhereOtherProgramsKeepCoresBusy) {
    using OpenMpWaitPolicy::sleepsAtOnce;
    EXPECT_FALSE(sleepsAtOnce(0, 8));
    EXPECT_FALSE(sleepsAtOnce(1, 8));
    EXPECT_TRUE(sleepsAtOnce(2, 8));
    EXPECT_TRUE(sleepsAtOnce(4, 8));
    EXPECT_FALSE(sleepsAtOnce(3, 16));
    EXPECT_TRUE(sleepsAtOnce(4, 16));
    EXPECT_FALSE(sleepsAtOnce(0, 2));
    EXPECT_TRUE(sleepsAtOnce(1, 2));
    EXPECT_TRUE(sleepsAtOnce(1, 1));
    using OpenMpWaitPolicy::teamSize;
    EXPECT_EQ(teamSize(2, 8), 6);
    EXPECT_EQ(teamSize(4, 8), 4);
    EXPECT_EQ(teamSize(30, 8), 4);
    EXPECT_EQ(teamSize(1, 1), 1);
    EXPECT_EQ(teamSize(5, 3), 1);

    // Whatever the machine does meanwhile, the program starts once more at most, as it was asked.
    const Started anyhow = start({});
    EXPECT_TRUE(anyhow.ranAsAsked);
    EXPECT_TRUE(anyhow.spinCount == "0" || anyhow.spinCount == "300000") << anyhow.spinCount;
}

// Beside busy processors the networks' threads sleep at once and keep to the cores left, unless
// whoever started the program chose how they wait, or how many, themselves.
TEST(ThreadWaiting, BesideBusyProgramsTheThreadsSleepUnlessTheUserChoseOtherwise) {
    const BusyProcessors busy;
    const Started plain = start({});
    EXPECT_TRUE(plain.ranAsAsked);
    EXPECT_EQ(plain.spinCount, "0");
    const auto processors = static_cast<int>(std::thread::hardware_concurrency());
    EXPECT_EQ(plain.threads, std::to_string(std::max(1, processors / 2)));

    const Started sized = start({"OMP_NUM_THREADS=3"});
    EXPECT_TRUE(sized.ranAsAsked);
    EXPECT_EQ(sized.spinCount, "0");
    EXPECT_EQ(sized.threads, "3");

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
