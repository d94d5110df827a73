#include "platform/networks/OpenMpWaitPolicy.h"
#include "tests/support/ProgramRun.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

using namespace orvane;

namespace {

// What the networks' OpenMP runtime settled on when the program started, as the runtime itself
// reports it: GOMP_SPINCOUNT and OMP_NUM_THREADS, or "" when the program did not run as asked (the
// arguments reached it changed, or it was started twice over and the runtime reported twice).
std::pair<std::string, std::string> start(std::vector<std::string> environment,
                                          std::vector<std::string> arguments = {"--version"}) {
    environment.push_back("OMP_DISPLAY_ENV=verbose");
    environment.push_back("PATH=/usr/bin:/bin");
    const test::ProgramOutput output =
        test::runProgramCapturing(ORVANE_PROGRAM, std::move(arguments), environment);
    const auto reported = [&](const std::string& name) {
        const std::string key = name + " = '";
        const auto at = output.err.find(key);
        if (at == std::string::npos || at != output.err.rfind(key) || output.status != 0 ||
            output.out.empty()) {
            return std::string();
        }
        return output.err.substr(at + key.size(), output.err.find('\'', at + key.size()) - at - key.size());
    };
    return {reported("GOMP_SPINCOUNT"), reported("OMP_NUM_THREADS")};
}

} // namespace

// Spinning at each layer's barrier is the quicker on free cores; beside a quarter of the cores
// taken by others, the threads sleep at once.
TEST(ThreadWaiting, TheThreadsSleepAtOnceOnlyWhereOtherProgramsKeepCoresBusy) {
    struct Case {
        int busy, cores;
        bool sleeps;
    };
    for (const Case c :
         {Case{0, 8, false}, Case{1, 8, false}, Case{2, 8, true}, Case{4, 8, true}, Case{3, 16, false},
          Case{4, 16, true}, Case{0, 2, false}, Case{1, 2, true}, Case{1, 1, true}}) {
        EXPECT_EQ(OpenMpWaitPolicy::sleepsAtOnce(c.busy, c.cores), c.sleeps) << c.busy << "/" << c.cores;
    }
    for (const auto& [busy, cores, team] : {std::tuple{2, 8, 6}, std::tuple{4, 8, 4}, std::tuple{30, 8, 4},
                                            std::tuple{1, 1, 1}, std::tuple{5, 3, 1}}) {
        EXPECT_EQ(OpenMpWaitPolicy::teamSize(busy, cores), team) << busy << "/" << cores;
    }

    // Whatever the machine does meanwhile, the program starts once more at most, as it was asked.
    const auto spinCount = start({}).first;
    EXPECT_TRUE(spinCount == "0" || spinCount == "300000") << spinCount;
}

// Beside busy processors the networks' threads sleep at once and keep to the cores left, unless
// whoever started the program chose how they wait, or how many, themselves. A conversion runs no
// such network and is spared the second start that the setting takes.
TEST(ThreadWaiting, BesideBusyProgramsTheThreadsSleepUnlessTheUserChoseOtherwise) {
    // Other programs' threads ready to run on the processors: this test's own, spinning.
    std::atomic<bool> stop = false;
    std::vector<std::jthread> busy;
    for (unsigned i = 0; i < std::max(2u, std::thread::hardware_concurrency()); ++i) {
        busy.emplace_back([&] {
            while (!stop) {
            }
        });
    }
    const auto processors = static_cast<int>(std::thread::hardware_concurrency());
    using Reported = std::pair<std::string, std::string>;
    EXPECT_EQ(start({}), Reported("0", std::to_string(std::max(1, processors / 2))));
    EXPECT_EQ(start({"OMP_NUM_THREADS=3"}), Reported("0", "3"));
    EXPECT_EQ(start({"OMP_WAIT_POLICY=active"}).first, "30000000000");
    EXPECT_EQ(start({"GOMP_SPINCOUNT=2500"}).first, "2500");
    EXPECT_EQ(start({}, {"convert", "--help"}).first, "300000");
    stop = true;
}
