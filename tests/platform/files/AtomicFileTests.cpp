#include "platform/files/AtomicFile.h"
#include "platform/files/FileError.h"
#include "tests/support/FolderContents.h"
#include "tests/support/FuseMount.h"
#include "tests/support/TemporaryDirectory.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace orvane;
namespace fs = std::filesystem;

namespace {
std::string contents(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}
const std::vector<std::uint8_t> hello = {'h', 'i'};
const std::vector<std::uint8_t> bye = {'b', 'y', 'e'};
} // namespace

TEST(AtomicFile, WriteReplacesAndLeavesNoTemporaryFile) {
    test::TemporaryDirectory folder;
    AtomicFile::write(folder / "a.jpg", hello);
    AtomicFile::write(folder / "a.jpg", bye);
    EXPECT_EQ(contents(folder / "a.jpg"), "bye");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

TEST(AtomicFile, WriteNewNumbersTakenNamesAndNeverReplaces) {
    test::TemporaryDirectory folder;
    EXPECT_EQ(AtomicFile::writeNew(folder / "beach.jpg", hello), folder / "beach.jpg");
    EXPECT_EQ(AtomicFile::writeNew(folder / "beach.jpg", bye), folder / "beach 2.jpg");
    EXPECT_EQ(AtomicFile::writeNew(folder / "beach.jpg", bye), folder / "beach 3.jpg");
    EXPECT_EQ(contents(folder / "beach.jpg"), "hi");
    EXPECT_EQ(AtomicFile::numbered("report.final.heic", 2), fs::path("report.final 2.heic"));
    EXPECT_EQ(AtomicFile::numbered("noext", 3), fs::path("noext 3"));
}

TEST(AtomicFile, FailureInAnUnwritableFolderLeavesNothing) {
    if (::geteuid() == 0) {
        // root writes anywhere; a missing folder fails for everyone.
        EXPECT_THROW(AtomicFile::write("/nonexistent-folder/x.jpg", hello), FileError);
        return;
    }
    test::TemporaryDirectory folder;
    ::chmod(folder.path().c_str(), 0500);
    EXPECT_THROW(AtomicFile::write(folder / "x.jpg", hello), FileError);
    ::chmod(folder.path().c_str(), 0700);
    EXPECT_TRUE(fs::is_empty(folder.path()));
}

TEST(AtomicFile, WrittenFilesGetOrdinaryPermissions) {
    test::TemporaryDirectory folder;
    AtomicFile::write(folder / "p.png", hello);
    struct stat info {};
    ASSERT_EQ(::stat((folder / "p.png").c_str(), &info), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
}

namespace {
void writeText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}
long fileCount(const fs::path& folder) {
    return std::distance(fs::directory_iterator(folder), fs::directory_iterator());
}
} // namespace

TEST(AtomicFile, CopyReplacesTheDestinationOnlyOnceComplete) {
    test::TemporaryDirectory folder;
    const std::string large(3 << 20, 'x');
    writeText(folder / "export.png", large);
    writeText(folder / "saved.png", "old");
    AtomicFile::copy(folder / "export.png", folder / "saved.png");
    EXPECT_EQ(contents(folder / "saved.png"), large);
    EXPECT_EQ(contents(folder / "export.png"), large);
    EXPECT_EQ(fileCount(folder.path()), 2);

    // A missing source or folder fails without touching anything.
    EXPECT_THROW(AtomicFile::copy(folder / "gone.png", folder / "saved.png"), FileError);
    EXPECT_THROW(AtomicFile::copy(folder / "export.png", folder / "missing" / "saved.png"), FileError);
    EXPECT_THROW(AtomicFile::copy(folder.path(), folder / "saved.png"), FileError);
    EXPECT_EQ(contents(folder / "saved.png"), large);
    EXPECT_EQ(fileCount(folder.path()), 2);
}

// Runs `attempt` in a child in which every write past 4 KB fails, as on a full disk (a file-size
// limit, set in a child so that this program keeps writing normally). Returns the system error of the
// FileError it threw, -1 when it threw none.
template <typename Attempt> int errorOnAFullDisk(Attempt attempt) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            attempt();
        } catch (const FileError& error) {
            ::_exit(error.systemError());
        }
        ::_exit(255);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) != 255 ? WEXITSTATUS(status) : -1;
}

TEST(AtomicFile, ACopyThatRunsOutOfSpaceKeepsTheOldFile) {
    test::TemporaryDirectory folder;
    writeText(folder / "export.jpg", std::string(256 << 10, 'n'));
    writeText(folder / "saved.jpg", "the user's old file");
    EXPECT_EQ(errorOnAFullDisk([&] { AtomicFile::copy(folder / "export.jpg", folder / "saved.jpg"); }), EFBIG)
        << "the copy did not report its failure";
    EXPECT_EQ(contents(folder / "saved.jpg"), "the user's old file");
    EXPECT_EQ(fileCount(folder.path()), 2);
}

TEST(AtomicFile, ADateGivenIsTheFilesModificationDateFromTheStart) {
    test::TemporaryDirectory folder;
    const auto captured = std::chrono::system_clock::time_point(std::chrono::seconds(1'625'405'400));
    const fs::path dated = AtomicFile::writeNew(folder / "dated.jpg", hello, captured);
    AtomicFile::write(folder / "replaced.jpg", hello, captured);
    AtomicFile::write(folder / "undated.jpg", hello);
    struct stat info {};
    for (const fs::path& path : {dated, folder / "replaced.jpg"}) {
        ASSERT_EQ(::stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mtim.tv_sec, 1'625'405'400) << path;
        EXPECT_EQ(info.st_mtim.tv_nsec, 0) << path;
    }
    ASSERT_EQ(::stat((folder / "undated.jpg").c_str(), &info), 0);
    EXPECT_GT(info.st_mtim.tv_sec, 1'625'405'400 + 86400 * 365);
}

TEST(AtomicFile, SaveFailuresNameThePathAndWhy) {
    test::TemporaryDirectory folder;
    const auto message = [](const auto& attempt) {
        try {
            attempt();
        } catch (const FileError& error) {
            EXPECT_EQ(error.code(), FileError::Code::fileWriteUnknown);
            return std::string(error.what());
        }
        return std::string("no error");
    };
    const fs::path missing = folder / "gone" / "x.jpg";
    EXPECT_EQ(message([&] { AtomicFile::writeNew(missing, hello); }),
              "The file couldn't be saved to “" + missing.string() + "”: the folder doesn't exist.");
    EXPECT_EQ(message([&] { AtomicFile::checkWritable(missing); }),
              "The file couldn't be saved to “" + missing.string() + "”: the folder doesn't exist.");

    std::ofstream(folder / "plain") << "a file, not a folder";
    const fs::path underAFile = folder / "plain" / "x.jpg";
    EXPECT_EQ(message([&] { AtomicFile::write(underAFile, hello); }),
              "The file couldn't be saved to “" + underAFile.string() +
                  "”: part of the path isn't a folder.");
    EXPECT_EQ(message([&] { AtomicFile::checkWritable(underAFile); }),
              "The file couldn't be saved to “" + underAFile.string() +
                  "”: part of the path isn't a folder.");
    EXPECT_EQ(message([&] { AtomicFile::checkWritable(folder / "fine.jpg"); }), "no error");

    if (::geteuid() != 0) { // root writes anywhere
        ::chmod(folder.path().c_str(), 0500);
        EXPECT_EQ(message([&] { AtomicFile::checkWritable(folder / "x.jpg"); }),
                  "The file couldn't be saved to “" + (folder / "x.jpg").string() +
                      "”: you don't have permission to write there.");
        ::chmod(folder.path().c_str(), 0700);
    }
    // The untyped sentence stays for failures that have no path.
    EXPECT_STREQ(FileError(FileError::Code::fileWriteUnknown).what(), "The file couldn't be saved.");
}

namespace {

// Whether the process `child` has a file open in `folder`, named or not.
bool holdsFileIn(pid_t child, const fs::path& folder) {
    std::error_code error;
    for (const auto& descriptor : fs::directory_iterator("/proc/" + std::to_string(child) + "/fd", error)) {
        const fs::path target = fs::read_symlink(descriptor.path(), error);
        if (!error && target.string().starts_with(folder.string() + "/")) {
            return true;
        }
    }
    return false;
}

// Stops a copy half-way with `signal`: the copy reads from a pipe that is fed a part of the file and
// then kept open, so that the child is caught with its temporary file open and partly written.
// Returns how the child ended.
int interruptedCopy(const fs::path& folder, bool unnamed, int signal) {
    const fs::path source = folder / "source";
    const fs::path out = folder / "out";
    fs::create_directory(out);
    if (::mkfifo(source.c_str(), 0600) != 0) {
        ADD_FAILURE() << "no pipe";
        return -1;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        AtomicFile::setOperations({.unnamedFiles = unnamed});
        try {
            AtomicFile::copy(source, out / "elephants.png");
        } catch (...) {
        }
        ::_exit(0);
    }
    const int writer = ::open(source.c_str(), O_WRONLY);
    const std::vector<char> part(1 << 20, 'p');
    EXPECT_EQ(::write(writer, part.data(), part.size()), static_cast<ssize_t>(part.size()));
    for (int i = 0; i < 1000 && !holdsFileIn(child, out); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(holdsFileIn(child, out));
    ::kill(child, signal);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(writer);
    return status;
}

} // namespace

TEST(AtomicFile, AWriteStoppedBySignalLeavesNothing) {
    for (const bool unnamed : {true, false}) {
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
            test::TemporaryDirectory folder;
            const int status = interruptedCopy(folder.path(), unnamed, signal);
            // The process still ends by the signal, so that a shell reports 130, 143 or 129.
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal)
                << (unnamed ? "unnamed" : "named") << " signal " << signal << " status " << status;
            EXPECT_TRUE(fs::is_empty(folder / "out"))
                << (unnamed ? "unnamed" : "named") << " signal " << signal;
        }
    }
}

TEST(AtomicFile, AnUnnamedWriteLeavesNothingEvenWhenKilled) {
    test::TemporaryDirectory folder;
    const int status = interruptedCopy(folder.path(), true, SIGKILL);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_TRUE(fs::is_empty(folder / "out"));
}

TEST(AtomicFile, HiddenTemporaryFilesWorkAsUnnamedOnesDo) {
    AtomicFile::setOperations({.unnamedFiles = false});
    test::TemporaryDirectory folder;
    AtomicFile::write(folder / "a.jpg", hello);
    AtomicFile::write(folder / "a.jpg", bye);
    EXPECT_EQ(AtomicFile::writeNew(folder / "a.jpg", hello), folder / "a 2.jpg");
    AtomicFile::copy(folder / "a.jpg", folder / "b.jpg");
    EXPECT_EQ(contents(folder / "b.jpg"), "bye");
    EXPECT_THROW(AtomicFile::write(folder / "missing" / "c.jpg", hello), FileError);
    AtomicFile::setOperations({});
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 3);
}

namespace {

// The roads a write takes on file systems that lack an operation, each forced here on any one.
struct Road {
    const char* name;
    AtomicFile::Operations operations;
};
const std::vector<Road> roads = {
    {"unnamed files", {}},
    {"rename without replacing (tmpfs, older kernels)", {.unnamedFiles = false}},
    {"hard link (NTFS, bindfs, NFS)", {.unnamedFiles = false, .renameWithoutReplacing = false}},
    {"reserved name (exFAT, FAT, SMB)",
     {.unnamedFiles = false, .renameWithoutReplacing = false, .hardLinks = false}},
};

// Takes one road for as long as it lives, with the calls on it answered as `interfere` says.
class RoadTaken {
public:
    explicit RoadTaken(const Road& road,
                       std::function<int(AtomicFile::Call, const std::string&)> interfere = nullptr) {
        AtomicFile::Operations operations = road.operations;
        operations.interfere = std::move(interfere);
        AtomicFile::setOperations(operations);
    }
    ~RoadTaken() { AtomicFile::setOperations({}); }
    RoadTaken(const RoadTaken&) = delete;
    RoadTaken& operator=(const RoadTaken&) = delete;
};

// Writes, replaces, copies and numbers in `folder` as every caller does, from several threads at once
// for the numbered names, and checks what is there afterwards: every file whole, nothing hidden.
void writeEveryWay(const fs::path& folder, const std::string& road) {
    SCOPED_TRACE(road + " in " + folder.string());
    AtomicFile::write(folder / "a.jpg", hello);
    AtomicFile::write(folder / "a.jpg", bye);
    EXPECT_EQ(contents(folder / "a.jpg"), "bye");
    writeText(folder / "saved.png", "old");
    AtomicFile::copy(folder / "a.jpg", folder / "saved.png");
    EXPECT_EQ(contents(folder / "saved.png"), "bye");
    EXPECT_EQ(AtomicFile::writeNew(folder / "a.jpg", hello), folder / "a 2.jpg");
    EXPECT_EQ(contents(folder / "a.jpg"), "bye");

    constexpr int writers = 8;
    std::vector<fs::path> written(writers);
    std::vector<std::thread> threads;
    for (int i = 0; i < writers; ++i) {
        threads.emplace_back([&, i] {
            const std::string text = "writer " + std::to_string(i);
            written[i] = AtomicFile::writeNew(
                folder / "b.png", {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    std::set<fs::path> distinct(written.begin(), written.end());
    EXPECT_EQ(distinct.size(), static_cast<std::size_t>(writers));
    for (int i = 0; i < writers; ++i) {
        EXPECT_EQ(contents(written[i]), "writer " + std::to_string(i));
        EXPECT_TRUE(written[i] == folder / "b.png" || written[i].filename().string().starts_with("b "))
            << written[i];
    }

    std::vector<std::string> expected = {"a 2.jpg", "a.jpg", "b.png", "saved.png"};
    for (int n = 2; n <= writers; ++n) {
        expected.push_back("b " + std::to_string(n) + ".png");
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(test::namesIn(folder), expected);
}

} // namespace

TEST(AtomicFile, EveryRoadWritesReplacesAndNumbersAsTheUnnamedOneDoes) {
    for (const Road& road : roads) {
        const RoadTaken taken(road);
        test::TemporaryDirectory folder;
        writeEveryWay(folder.path(), road.name);
        // A name taken by something that isn't a file is as taken, and never opened.
        ASSERT_EQ(::mkfifo((folder / "pipe.png").c_str(), 0600), 0);
        EXPECT_EQ(AtomicFile::writeNew(folder / "pipe.png", hello), folder / "pipe 2.png") << road.name;
        fs::create_directory(folder / "dir.png");
        EXPECT_EQ(AtomicFile::writeNew(folder / "dir.png", hello), folder / "dir 2.png") << road.name;
    }
}

TEST(AtomicFile, EveryRoadNamesTheRealCauseAndLeavesNothing) {
    for (const Road& road : roads) {
        const RoadTaken taken(road);
        test::TemporaryDirectory folder;
        const fs::path missing = folder / "gone" / "x.jpg";
        try {
            AtomicFile::writeNew(missing, hello);
            ADD_FAILURE() << road.name;
        } catch (const FileError& error) {
            EXPECT_EQ(std::string(error.what()),
                      "The file couldn't be saved to “" + missing.string() + "”: the folder doesn't exist.")
                << road.name;
            EXPECT_EQ(error.systemError(), ENOENT);
        }
        EXPECT_EQ(errorOnAFullDisk([&] {
                      AtomicFile::writeNew(folder / "big.jpg", std::vector<std::uint8_t>(64 << 10, 'x'));
                  }),
                  EFBIG)
            << road.name;
        EXPECT_TRUE(fs::is_empty(folder.path())) << road.name;
    }
}

TEST(AtomicFile, OnExfatAndNtfsEveryWriteWorksAndFailuresSayWhy) {
    for (const auto type : {test::FuseMount::Type::exfat, test::FuseMount::Type::ntfs}) {
        const test::FuseMount disk(type);
        if (!disk.skipReason().empty()) {
            GTEST_SKIP() << test::FuseMount::name(type) << ": " << disk.skipReason();
        }
        writeEveryWay(disk.path(), test::FuseMount::name(type));
    }
    const auto message = [](const fs::path& path) {
        try {
            AtomicFile::writeNew(path, hello);
        } catch (const FileError& error) {
            return std::string(error.what());
        }
        return std::string("no error");
    };
    {
        // exFAT can't hold a "?" in a name, and says so as if the folder were missing.
        const test::FuseMount card(test::FuseMount::Type::exfat);
        EXPECT_EQ(message(card.path() / "what?.png"), "The file couldn't be saved to “" +
                                                          (card.path() / "what?.png").string() +
                                                          "”: the disk doesn't allow that name.");
        EXPECT_TRUE(fs::is_empty(card.path()));
    }
    const test::FuseMount locked(test::FuseMount::Type::exfat, true);
    EXPECT_EQ(message(locked.path() / "owl.png"), "The file couldn't be saved to “" +
                                                      (locked.path() / "owl.png").string() +
                                                      "”: the disk is read-only.");
}

namespace {

// The hidden temporary file in `folder`, when there is one.
std::optional<fs::path> hiddenIn(const fs::path& folder) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().starts_with('.')) {
            return entry.path();
        }
    }
    return std::nullopt;
}

} // namespace

// FUSE and network file systems can answer any call that it was interrupted; it is made again. A
// call can also have been carried out and still be answered so (an interrupted request, a lost
// reply over NFS); made again it meets its own result, which counts as done.
TEST(AtomicFile, InterruptedCallsAreMadeAgainOnEveryRoad) {
    std::set<AtomicFile::Call> interrupted;
    for (const Road& road : roads) {
        std::mutex mutex;
        int calls = 0;
        const RoadTaken taken(road, [&](AtomicFile::Call call, const std::string&) {
            const std::lock_guard lock(mutex);
            if (calls++ % 2 != 0) {
                return 0;
            }
            interrupted.insert(call);
            return EINTR;
        });
        test::TemporaryDirectory folder;
        writeEveryWay(folder.path(), road.name);
    }
    EXPECT_EQ(interrupted, (std::set<AtomicFile::Call>{AtomicFile::Call::create, AtomicFile::Call::link,
                                                       AtomicFile::Call::rename, AtomicFile::Call::remove}));

    for (const Road& road : roads) {
        test::TemporaryDirectory folder;
        // Links or renames the hidden file as the call asked would, then answers that it was
        // interrupted; lets the call run when it is made again.
        int carriedOut = 0;
        bool again = false;
        const RoadTaken taken(road, [&](AtomicFile::Call call, const std::string& name) {
            const fs::path target = folder / name;
            const auto hidden = hiddenIn(folder.path());
            // Only over nothing, or over the empty file that reserves a name.
            std::error_code error;
            const bool free = !fs::exists(target) ||
                              (call == AtomicFile::Call::rename && fs::file_size(target, error) == 0);
            if (std::exchange(again, false) ||
                (call != AtomicFile::Call::link && call != AtomicFile::Call::rename) || !hidden || !free) {
                return 0;
            }
            if ((call == AtomicFile::Call::link ? ::link(hidden->c_str(), target.c_str())
                                                : ::rename(hidden->c_str(), target.c_str())) != 0) {
                return 0;
            }
            ++carriedOut;
            again = true;
            return EINTR;
        });
        SCOPED_TRACE(road.name);
        EXPECT_EQ(AtomicFile::writeNew(folder / "a.jpg", hello), folder / "a.jpg");
        EXPECT_EQ(AtomicFile::writeNew(folder / "a.jpg", bye), folder / "a 2.jpg");
        AtomicFile::write(folder / "c.jpg", hello);
        AtomicFile::write(folder / "c.jpg", bye);
        EXPECT_GE(carriedOut, 1);
        EXPECT_EQ(contents(folder / "a.jpg"), "hi");
        EXPECT_EQ(contents(folder / "a 2.jpg"), "bye");
        EXPECT_EQ(contents(folder / "c.jpg"), "bye");
        EXPECT_EQ(test::namesIn(folder.path()), (std::vector<std::string>{"a 2.jpg", "a.jpg", "c.jpg"}));
    }
}

// Where a file is given its name as a hard link (NTFS, bindfs, network shares), its hidden name must
// go afterwards: nothing would remove that full copy later.
TEST(AtomicFile, AHiddenNameThatWontGoIsTriedAgainAndThenReported) {
    int refusals = 0;
    const RoadTaken taken(roads[2], [&](AtomicFile::Call call, const std::string& name) {
        return call == AtomicFile::Call::remove && name.starts_with('.') && refusals-- > 0 ? EIO : 0;
    });
    test::TemporaryDirectory folder;
    refusals = 2;
    EXPECT_EQ(AtomicFile::writeNew(folder / "a.jpg", hello), folder / "a.jpg");
    EXPECT_EQ(test::namesIn(folder.path()), std::vector<std::string>{"a.jpg"});

    refusals = 1000;
    try {
        AtomicFile::writeNew(folder / "b.jpg", bye);
        ADD_FAILURE() << "a copy was left and the write said nothing";
    } catch (const FileError& error) {
        const auto copy = hiddenIn(folder.path());
        ASSERT_TRUE(copy);
        EXPECT_EQ(std::string(error.what()), "The file was saved to “" + (folder / "b.jpg").string() +
                                                 "”, but its temporary copy “" + copy->string() +
                                                 "” couldn't be removed: the disk couldn't be written.");
        EXPECT_EQ(error.systemError(), EIO);
        EXPECT_TRUE(copy->filename().string().starts_with(".b.jpg."));
    }
    EXPECT_EQ(contents(folder / "b.jpg"), "bye");
}

// Without hard links or a rename that never replaces (exFAT, FAT, SMB), a name is reserved as an
// empty file first. Another program may put its own file under that name meanwhile; it stays.
TEST(AtomicFile, AFileSwappedInUnderAReservedNameIsLeftAlone) {
    for (const bool renameFails : {false, true}) {
        test::TemporaryDirectory folder;
        bool swapped = false;
        const RoadTaken taken(roads[3], [&](AtomicFile::Call call, const std::string& name) {
            if (call != AtomicFile::Call::rename || name != "a.jpg" || std::exchange(swapped, true)) {
                return 0;
            }
            writeText(folder / "theirs", "someone else's");
            fs::rename(folder / "theirs", folder / "a.jpg");
            return renameFails ? EIO : 0;
        });
        SCOPED_TRACE(renameFails ? "the rename fails" : "the rename would go ahead");
        if (renameFails) {
            EXPECT_THROW(AtomicFile::writeNew(folder / "a.jpg", hello), FileError);
            EXPECT_EQ(test::namesIn(folder.path()), std::vector<std::string>{"a.jpg"});
        } else {
            EXPECT_EQ(AtomicFile::writeNew(folder / "a.jpg", hello), folder / "a 2.jpg");
            EXPECT_EQ(test::namesIn(folder.path()), (std::vector<std::string>{"a 2.jpg", "a.jpg"}));
        }
        EXPECT_TRUE(swapped);
        EXPECT_EQ(contents(folder / "a.jpg"), "someone else's");
    }
}

// A hidden file that could not be kept on the list that Ctrl-C clears is never made: the save
// fails and says why.
TEST(AtomicFile, ASaveWhoseHiddenFileCantBeClearedOnCtrlCFailsAndLeavesNothing) {
    test::TemporaryDirectory folder;
    const pid_t child = ::fork();
    if (child == 0) {
        AtomicFile::setOperations({.unnamedFiles = false});
        // Room for the folder's descriptor and no more.
        const int lowest = ::dup(0);
        ::close(lowest);
        const rlimit limit{static_cast<rlim_t>(lowest + 1), static_cast<rlim_t>(lowest + 1)};
        ::setrlimit(RLIMIT_NOFILE, &limit);
        try {
            AtomicFile::write(folder / "a.jpg", hello);
        } catch (const FileError& error) {
            ::_exit(error.systemError());
        }
        ::_exit(255);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == EMFILE) << status;
    EXPECT_TRUE(fs::is_empty(folder.path()));
}

// exFAT through FUSE numbers a file anew once the kernel has forgotten it, so a save must hold its
// own files for as long as it may have to tell them from someone else's.
TEST(AtomicFile, OnExfatASaveKnowsItsOwnFilesAfterTheKernelHasForgottenThem) {
    const test::FuseMount card(test::FuseMount::Type::exfat);
    if (!card.skipReason().empty()) {
        GTEST_SKIP() << "exFAT: " << card.skipReason();
    }
    const RoadTaken taken(roads[3], [&](AtomicFile::Call call, const std::string& name) {
        if (call != AtomicFile::Call::rename || name != "owl.png") {
            return 0;
        }
        // Every inode that nothing holds is forgotten.
        std::ofstream("/proc/sys/vm/drop_caches") << "2";
        return EIO;
    });
    EXPECT_THROW(AtomicFile::writeNew(card.path() / "owl.png", hello), FileError);
    EXPECT_TRUE(fs::is_empty(card.path())) << test::namesIn(card.path()).front();
}
