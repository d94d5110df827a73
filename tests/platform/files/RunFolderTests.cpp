#include "platform/files/RunFolder.h"
#include "tests/support/TemporaryDirectory.h"

#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <sys/file.h>
#include <unistd.h>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

std::set<fs::path> entries(const fs::path& folder) {
    std::set<fs::path> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename());
    }
    return names;
}

// A folder that another running process holds, as a RunFolder does (a lock taken through another
// open file counts as another process's).
struct HeldByAnotherRun {
    explicit HeldByAnotherRun(const fs::path& folder)
        : fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    }
    ~HeldByAnotherRun() { ::close(fd); }
    int fd;
};

} // namespace

TEST(RunFolder, TakesWhatEndedRunsLeftAndKeepsWhatRunningOnesHold) {
    test::TemporaryDirectory shared;
    fs::create_directories(shared / "run-ended" / "7");
    std::ofstream(shared / "run-ended" / "7" / "beach-8x.png") << "hundreds of megabytes";
    std::ofstream(shared / "beach-4x.jpg") << "from a version without run folders";
    fs::create_directories(shared / "run-live" / "1");
    std::ofstream(shared / "run-live" / "1" / "shown.jpg") << "being saved";
    const HeldByAnotherRun live(shared / "run-live");

    std::optional<RunFolder> run(std::in_place, shared.path());
    EXPECT_EQ(run->path().parent_path(), shared.path());
    EXPECT_TRUE(run->path().filename().string().starts_with("run-"));
    EXPECT_EQ(entries(shared.path()), (std::set<fs::path>{"run-live", run->path().filename()}));
    EXPECT_TRUE(fs::exists(shared / "run-live" / "1" / "shown.jpg"));

    // A run that starts while this one goes on leaves its folder alone.
    std::ofstream(run->path() / "current.jpg") << "mine";
    {
        const RunFolder other(shared.path());
        EXPECT_TRUE(fs::exists(run->path() / "current.jpg"));
        EXPECT_NE(other.path(), run->path());
    }
    // An empty folder goes with its run; one with files stays until the next run starts.
    EXPECT_EQ(entries(shared.path()).size(), 2u);
    const fs::path ended = run->path();
    run.reset();
    EXPECT_TRUE(fs::exists(ended / "current.jpg"));
    const RunFolder next(shared.path());
    EXPECT_FALSE(fs::exists(ended));
    EXPECT_EQ(entries(shared.path()), (std::set<fs::path>{"run-live", next.path().filename()}));
}
