#include "core/ImageFiles.h"
#include "editor/BatchConversion.h"
#include "tests/editor/BatchGate.h"
#include "tests/support/FuseMount.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

constexpr int waitLimit = 60'000;

// Stands in for the editor model: it holds `batch` and `batchJob` and applies a run's reports only
// while that run is the one it holds, as the model does.
class Holder : public QObject {
    Q_OBJECT

public:
    std::optional<BatchState> batch;
    std::optional<TaskHandle> batchJob;
    int finishes = 0;
    // Every report that arrived, applied or not.
    int reports = 0;

    void startBatch(std::vector<BatchState::Item> items, ConvertOptions options, const fs::path& folder) {
        batch = BatchState::fresh(items, folder);
        emit batchChanged();
        batchJob = BatchConversion::start(std::move(items), std::move(options), folder, this, onResult(),
                                          onFinish());
    }
    void startBatch(std::vector<BatchState::Item> items, BatchConversion::ItemWork work,
                    const fs::path& folder) {
        batch = BatchState::fresh(items, folder);
        emit batchChanged();
        batchJob = BatchConversion::start(std::move(items), std::move(work), this, onResult(), onFinish());
    }
    // The batch sheet's "Stop".
    void stop() {
        batchJob->cancel();
        batch->finished = true;
        emit batchChanged();
    }
    // Closing the sheet.
    void close() {
        batchJob->cancel();
        batch.reset();
        emit batchChanged();
    }
    bool waitUntilFinished() {
        return QTest::qWaitFor([&] { return batch && batch->finished && finishes > 0; }, waitLimit);
    }

signals:
    void batchChanged();

private:
    BatchConversion::ResultHandler onResult() {
        return [this](const TaskHandle& run, const BatchConversion::ItemResult& result) {
            ++reports;
            if (run != batchJob || !batch) {
                return;
            }
            BatchConversion::record(*batch, result);
            emit batchChanged();
        };
    }
    BatchConversion::FinishHandler onFinish() {
        return [this](const TaskHandle& run) {
            ++reports;
            if (run != batchJob || !batch) {
                return;
            }
            ++finishes;
            batch->finished = true;
            emit batchChanged();
        };
    }
};

Bytes contents(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& path, const Bytes& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

fs::path photo(const fs::path& path, ConvertFormat format, int width = 64, int height = 48) {
    writeBytes(path, test::encoded(test::gradient(width, height), format));
    return path;
}

bool isJPEG(const fs::path& path) {
    const auto bytes = contents(path);
    return bytes.size() > 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

std::vector<fs::path> filesBelow(const fs::path& root) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            files.push_back(entry.path().lexically_relative(root));
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

BatchState::Item item(const fs::path& path, QString relativeDir = {}) {
    return {QString::fromStdString(path.stem().string()), BatchState::FileSource{path},
            std::move(relativeDir)};
}

// Trip/a.heic, Trip/Day1/b.png and the entries a walk has to pass over.
fs::path makeTrip(const fs::path& root) {
    const auto trip = root / "Trip";
    photo(trip / "a.heic", ConvertFormat::heic);
    photo(trip / "Day1" / "b.png", ConvertFormat::png);
    photo(trip / ".cover.jpg", ConvertFormat::jpeg);
    photo(trip / ".thumbs" / "c.jpg", ConvertFormat::jpeg);
    writeBytes(trip / "notes.txt", {'h', 'i'});
    writeBytes(trip / "README", {'h', 'i'});
    photo(trip / "old.png" / "d.jpg", ConvertFormat::jpeg);
    return trip;
}

} // namespace

TEST(BatchConversion, CollectsImagesOfFoldersAndFilesByExtension) {
    test::TemporaryDirectory directory;
    const auto trip = makeTrip(directory.path());
    const auto loose = photo(directory / "e.JPG", ConvertFormat::jpeg);
    writeBytes(directory / "f.txt", {'x'});

    const std::vector<BatchState::Item> expected{
        item(trip / "Day1" / "b.png", "Trip/Day1"),
        item(trip / "a.heic", "Trip"),
        // A folder named like an image is an item, and its contents are items too.
        item(trip / "old.png", "Trip"),
        item(trip / "old.png" / "d.jpg", "Trip/old.png"),
        item(loose),
    };
    EXPECT_EQ(BatchConversion::collectItems({trip, directory / "missing.jpg", loose, directory / "f.txt"}),
              expected);
    // A folder's path ending in "/" is the same folder.
    EXPECT_EQ(BatchConversion::collectItems({fs::path(trip.string() + "/"), loose}), expected);
    // Nothing is de-duplicated.
    EXPECT_EQ(BatchConversion::collectItems({loose, loose}).size(), 2u);

    // A dropped sub-folder starts its items' folders with its own name.
    for (const auto& collected : BatchConversion::collectItems({trip / "Day1"})) {
        EXPECT_EQ(collected.relativeDir, "Day1");
    }
}

TEST(BatchConversion, OneImageIsAPhotoAndNoneIsNothing) {
    test::TemporaryDirectory directory;
    photo(directory / "One" / "only.png", ConvertFormat::png);
    writeBytes(directory / "One" / "notes.txt", {'x'});
    fs::create_directories(directory / "Empty");
    photo(directory / "x.png", ConvertFormat::png);
    photo(directory / "y.png", ConvertFormat::png);

    const auto one = BatchConversion::collectItems({directory / "One"});
    EXPECT_EQ(BatchConversion::decide(one), BatchConversion::Decision::singlePhoto);
    EXPECT_EQ(one.at(0).name, "only");
    EXPECT_EQ(BatchConversion::decide(BatchConversion::collectItems({directory / "Empty"})),
              BatchConversion::Decision::nothing);
    EXPECT_EQ(
        BatchConversion::decide(BatchConversion::collectItems({directory / "x.png", directory / "y.png"})),
        BatchConversion::Decision::batch);
    EXPECT_EQ(BatchConversion::folderPanelMessage(12), "Choose where to save 12 converted files");
}

TEST(BatchConversion, MirrorsTheDroppedFolderAndListsFailures) {
    test::TemporaryDirectory directory;
    const auto trip = makeTrip(directory.path());
    const auto out = directory / "Out";
    fs::create_directories(out);
    Holder holder;
    QSignalSpy changed(&holder, &Holder::batchChanged);

    const auto items = BatchConversion::collectItems({trip});
    holder.startBatch(items, ConvertOptions{}, out);
    ASSERT_TRUE(holder.waitUntilFinished());

    const BatchState& batch = *holder.batch;
    EXPECT_EQ(batch.done, 4);
    EXPECT_EQ(batch.failed, std::vector<QString>{"old"});
    const std::vector<fs::path> outputs{out / "Trip" / "Day1" / "b.jpg", out / "Trip" / "a.jpg",
                                        out / "Trip" / "old.png" / "d.jpg"};
    EXPECT_EQ(batch.outputs, outputs);
    std::int64_t bytesIn = 0;
    std::int64_t bytesOut = 0;
    for (const auto& source : {trip / "Day1" / "b.png", trip / "a.heic", trip / "old.png" / "d.jpg"}) {
        bytesIn += static_cast<std::int64_t>(fs::file_size(source));
    }
    for (const auto& output : outputs) {
        EXPECT_TRUE(isJPEG(output)) << output;
        bytesOut += static_cast<std::int64_t>(fs::file_size(output));
    }
    EXPECT_EQ(batch.bytesIn, bytesIn);
    EXPECT_EQ(batch.bytesOut, bytesOut);
    EXPECT_EQ(filesBelow(out),
              (std::vector<fs::path>{"Trip/Day1/b.jpg", "Trip/a.jpg", "Trip/old.png/d.jpg"}));
    // The start, one change per item, and the finish.
    EXPECT_EQ(changed.count(), 1 + 4 + 1);
}

TEST(BatchConversion, NumbersClashingNamesAndNeverOverwrites) {
    test::TemporaryDirectory directory;
    const auto source = directory / "In";
    const std::vector<BatchState::Item> items{item(photo(source / "a.heic", ConvertFormat::heic)),
                                              item(photo(source / "a.png", ConvertFormat::png, 80, 60))};
    const auto out = directory / "Out";
    fs::create_directories(out);

    Holder first;
    first.startBatch(items, ConvertOptions{}, out);
    ASSERT_TRUE(first.waitUntilFinished());
    EXPECT_EQ(first.batch->outputs, (std::vector<fs::path>{out / "a.jpg", out / "a 2.jpg"}));
    const auto a = contents(out / "a.jpg");
    const auto a2 = contents(out / "a 2.jpg");

    Holder again;
    again.startBatch(items, ConvertOptions{}, out);
    ASSERT_TRUE(again.waitUntilFinished());
    EXPECT_EQ(again.batch->outputs, (std::vector<fs::path>{out / "a 3.jpg", out / "a 4.jpg"}));
    EXPECT_EQ(contents(out / "a.jpg"), a);
    EXPECT_EQ(contents(out / "a 2.jpg"), a2);
    EXPECT_EQ(filesBelow(out).size(), 4u);
}

// A source whose name takes the file system's whole limit with its own extension: the longer one
// of the format written, and the number of a clash, take the end of its name.
TEST(BatchConversion, ALongNameGivesWayToTheExtensionAndTheNumber) {
    test::TemporaryDirectory directory;
    const std::string stem(251, 'n');
    const std::vector<BatchState::Item> items{
        item(photo(directory / "In" / (stem + ".png"), ConvertFormat::png))};
    const auto out = directory / "Out";
    fs::create_directories(out);
    ConvertOptions options;
    options.format = ConvertFormat::webp;
    for (const std::string& expected : {std::string(250, 'n') + ".webp", std::string(248, 'n') + " 2.webp"}) {
        Holder holder;
        holder.startBatch(items, options, out);
        ASSERT_TRUE(holder.waitUntilFinished());
        EXPECT_TRUE(holder.batch->failed.empty());
        EXPECT_EQ(holder.batch->outputs, std::vector<fs::path>{out / expected});
    }
}

TEST(BatchConversion, FailedItemsDoNotStopTheOthers) {
    test::TemporaryDirectory directory;
    const auto source = directory / "In";
    const auto out = directory / "Out";
    // A file where the sub-folder "Sub" would go: that item's folder cannot be made.
    writeBytes(out / "Sub", {'x'});
    writeBytes(source / "broken.jpg", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'h', 'o', 't', 'o'});
    // A one-pixel PNG is smaller than any JPEG, so it can never come out no larger than it is.
    writeBytes(source / "tiny.png", test::encoded(test::solid(1, 1, 9, 9, 9), ConvertFormat::png));
    writeBytes(source / "fine.tiff",
               test::encoded(test::noise(300, 200), ConvertFormat::tiff, test::cameraProperties()));
    const std::vector<BatchState::Item> items{
        item(source / "broken.jpg"), item(photo(source / "nested.png", ConvertFormat::png), "Sub"),
        item(source / "tiny.png"),   item(source / "gone.png"),
        item(source / "fine.tiff"),
    };
    ConvertOptions options;
    options.neverLarger = true;
    options.keepCaptureDate = true;

    Holder holder;
    holder.startBatch(items, options, out);
    ASSERT_TRUE(holder.waitUntilFinished());
    EXPECT_EQ(holder.batch->done, 5);
    EXPECT_EQ(holder.batch->failed, (std::vector<QString>{"broken", "nested", "tiny", "gone"}));
    EXPECT_EQ(holder.batch->outputs, std::vector<fs::path>{out / "fine.jpg"});
    // The written file carries the photo's capture date, 2021-07-04 15:30 at +02:00.
    struct stat status {};
    ASSERT_EQ(::stat((out / "fine.jpg").c_str(), &status), 0);
    EXPECT_EQ(status.st_mtim.tv_sec, 1'625'405'400);
}

TEST(BatchConversion, StoppingDuringTheThirdOfTenFilesFinishesThatFileOnly) {
    test::TemporaryDirectory directory;
    std::vector<BatchState::Item> items;
    for (int i = 1; i <= 10; ++i) {
        items.push_back(
            item(photo(directory / "In" / ("p" + std::to_string(i) + ".png"), ConvertFormat::png)));
    }
    const auto out = directory / "Out";
    test::BatchGate gate(2);
    Holder holder;
    holder.startBatch(items, gate.around(ConvertOptions{}, out), out);
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate.entered.load(); }, waitLimit));
    EXPECT_EQ(holder.batch->done, 2);

    holder.stop();
    EXPECT_TRUE(holder.batch->finished);
    gate.release.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return holder.finishes == 1; }, waitLimit));

    EXPECT_EQ(holder.batch->done, 3);
    EXPECT_EQ(filesBelow(out), (std::vector<fs::path>{"p1.jpg", "p2.jpg", "p3.jpg"}));
    EXPECT_EQ(holder.batch->outputs.back(), out / "p3.jpg");
}

TEST(BatchConversion, ARunStoppedBeforeItsFirstFileStillFinishes) {
    test::TemporaryDirectory directory;
    Holder empty;
    empty.startBatch({}, ConvertOptions{}, directory / "Out");
    ASSERT_TRUE(empty.waitUntilFinished());
    EXPECT_EQ(empty.batch->done, 0);

    Holder stopped;
    stopped.startBatch({item(photo(directory / "x.png", ConvertFormat::png))}, ConvertOptions{},
                       directory / "Out");
    stopped.batchJob->cancel();
    ASSERT_TRUE(stopped.waitUntilFinished());
    EXPECT_EQ(stopped.batch->done, 0);
    EXPECT_FALSE(fs::exists(directory / "Out"));
}

TEST(BatchConversion, ALateResultOfAnOlderRunLeavesANewerBatchAlone) {
    test::TemporaryDirectory directory;
    const std::vector<BatchState::Item> older{item(photo(directory / "In" / "old1.png", ConvertFormat::png)),
                                              item(photo(directory / "In" / "old2.png", ConvertFormat::png))};
    const std::vector<BatchState::Item> newer{item(photo(directory / "In" / "new1.png", ConvertFormat::png)),
                                              item(photo(directory / "In" / "new2.png", ConvertFormat::png))};
    const auto out = directory / "Out";
    test::BatchGate gate(0);
    Holder holder;
    holder.startBatch(older, gate.around(ConvertOptions{}, out), out);
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate.entered.load(); }, waitLimit));
    const TaskHandle olderRun = *holder.batchJob;

    holder.close();
    holder.startBatch(newer, ConvertOptions{}, out);
    ASSERT_TRUE(holder.waitUntilFinished());
    const BatchState settled = *holder.batch;

    // Let the older run's file end: its result and its finish still arrive, as its own run's.
    QSignalSpy changed(&holder, &Holder::batchChanged);
    const int reportsBefore = holder.reports;
    gate.release.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return holder.reports == reportsBefore + 2; }, waitLimit));
    EXPECT_NE(olderRun, *holder.batchJob);
    EXPECT_EQ(*holder.batch, settled);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(filesBelow(out), (std::vector<fs::path>{"new1.jpg", "new2.jpg", "old1.jpg"}));
}

TEST(BatchConversion, NothingIsReportedOnceTheReceiverIsGone) {
    test::TemporaryDirectory directory;
    const std::vector<BatchState::Item> items{item(photo(directory / "x.png", ConvertFormat::png)),
                                              item(photo(directory / "y.png", ConvertFormat::png))};
    test::BatchGate gate(0);
    int reports = 0;
    auto receiver = std::make_unique<QObject>();
    BatchConversion::start(
        items, gate.around(ConvertOptions{}, directory / "Out"), receiver.get(),
        [&](const TaskHandle&, const BatchConversion::ItemResult&) { ++reports; },
        [&](const TaskHandle&) { ++reports; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate.entered.load(); }, waitLimit));
    receiver.reset();
    gate.release.release();
    // Once the work has ended, its report would be waiting in the event queue.
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(fs::exists(directory / "Out" / "x.jpg"));
    EXPECT_EQ(reports, 0);
    EXPECT_FALSE(fs::exists(directory / "Out" / "y.jpg"));
}

#include "BatchConversionTests.moc"

namespace {

bool holdsHiddenEntries(const fs::path& root) {
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.path().filename().string().starts_with('.')) {
            return true;
        }
    }
    return false;
}

// A tmpfs of `kilobytes` mounted on `folder` while it lives: a disk that fills, or one that is
// read-only. Needs root.
class SmallDisk {
public:
    SmallDisk(const fs::path& folder, int kilobytes, bool readOnly = false)
        : folder_(folder) {
        fs::create_directories(folder);
        const std::string options = "size=" + std::to_string(kilobytes) + "k";
        mounted_ = ::mount("tmpfs", folder.c_str(), "tmpfs", readOnly ? MS_RDONLY : 0, options.c_str()) == 0;
    }
    ~SmallDisk() {
        if (mounted_) {
            ::umount2(folder_.c_str(), MNT_DETACH);
        }
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool mounted() const { return mounted_; }

private:
    fs::path folder_;
    bool mounted_ = false;
};

} // namespace

TEST(BatchConversion, AnOutputFolderThatTakesNoFileIsNamedOnceAndEveryPhotoListed) {
    test::TemporaryDirectory directory;
    const auto trip = makeTrip(directory.path());
    // Nothing can be made in /proc: the folder is as good as gone.
    const fs::path nowhere = "/proc/orvane-nowhere/Out";
    Holder holder;
    holder.startBatch(BatchConversion::collectItems({trip}), ConvertOptions{}, nowhere);
    ASSERT_TRUE(holder.waitUntilFinished());
    EXPECT_EQ(holder.batch->done, 4);
    EXPECT_TRUE(holder.batch->outputs.empty());
    EXPECT_EQ(holder.batch->failed, (std::vector<QString>{"b", "a", "old", "d"}));
    EXPECT_EQ(holder.batch->folderProblem, QString("the folder doesn't exist"));
}

TEST(BatchConversion, SubFoldersMadeForFilesThatCouldNotBeWrittenGoAgain) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "filling a small disk needs root to mount it";
    }
    test::TemporaryDirectory directory;
    const auto source = directory / "In";
    // One photo too large for the disk, one that fits, each in its own sub-folder.
    writeBytes(source / "Trip" / "Day1" / "large.png",
               test::encoded(test::noise(900, 700), ConvertFormat::png));
    photo(source / "Trip" / "Day2" / "small.png", ConvertFormat::png);
    const auto out = directory / "Out";
    const SmallDisk disk(out, 64);
    ASSERT_TRUE(disk.mounted());
    Holder holder;
    holder.startBatch(BatchConversion::collectItems({source / "Trip"}), ConvertOptions{}, out);
    ASSERT_TRUE(holder.waitUntilFinished());
    EXPECT_EQ(holder.batch->folderProblem, QString("there isn't enough space on the disk"));
    EXPECT_EQ(holder.batch->failed, std::vector<QString>{"large"});
    EXPECT_EQ(filesBelow(out), std::vector<fs::path>{"Trip/Day2/small.jpg"});
    EXPECT_FALSE(fs::exists(out / "Trip" / "Day1"));
    EXPECT_FALSE(holdsHiddenEntries(out));
}

TEST(BatchConversion, ABatchOntoExfatAndNtfsWritesEveryFile) {
    test::TemporaryDirectory directory;
    const auto trip = makeTrip(directory.path());
    photo(trip / "a.png", ConvertFormat::png, 80, 60);
    for (const auto type : {test::FuseMount::Type::exfat, test::FuseMount::Type::ntfs}) {
        const test::FuseMount disk(type);
        if (!disk.skipReason().empty()) {
            GTEST_SKIP() << test::FuseMount::name(type) << ": " << disk.skipReason();
        }
        SCOPED_TRACE(test::FuseMount::name(type));
        const auto items = BatchConversion::collectItems({trip});
        for (int run = 0; run < 2; ++run) {
            Holder holder;
            holder.startBatch(items, ConvertOptions{}, disk.path());
            ASSERT_TRUE(holder.waitUntilFinished());
            EXPECT_EQ(holder.batch->outputs.size(), 4u);
            EXPECT_EQ(holder.batch->failed, std::vector<QString>{"old"});
            EXPECT_FALSE(holder.batch->folderProblem);
        }
        EXPECT_EQ(filesBelow(disk.path()),
                  (std::vector<fs::path>{"Trip/Day1/b 2.jpg", "Trip/Day1/b.jpg", "Trip/a 2.jpg",
                                         "Trip/a 3.jpg", "Trip/a 4.jpg", "Trip/a.jpg", "Trip/old.png/d 2.jpg",
                                         "Trip/old.png/d.jpg"}));
        for (const auto& file : filesBelow(disk.path())) {
            EXPECT_NO_THROW(ImageFiles::loadFromURL(disk.path() / file)) << file;
        }
        EXPECT_FALSE(holdsHiddenEntries(disk.path()));
    }
}

// A sub-folder that takes no file is the fault of the photos that go there, not of the output
// folder: they are listed, and nothing is said against the folder the user chose.
TEST(BatchConversion, PhotosWhoseOwnSubFolderTakesNoFileAreListed) {
    test::TemporaryDirectory directory;
    const auto trip = directory / "In" / "Trip";
    photo(trip / "a.png", ConvertFormat::png);
    photo(trip / "2019" / "b.png", ConvertFormat::png);
    photo(trip / "2019" / "c.png", ConvertFormat::png);
    const auto out = directory / "Out";
    const auto locked = out / "Trip" / "2019";
    // Read-only: a disk of its own for root, who writes anywhere else.
    std::optional<SmallDisk> disk;
    if (::geteuid() == 0) {
        disk.emplace(locked, 64, true);
        ASSERT_TRUE(disk->mounted());
    } else {
        fs::create_directories(locked);
        fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    }
    Holder holder;
    holder.startBatch(BatchConversion::collectItems({trip}), ConvertOptions{}, out);
    ASSERT_TRUE(holder.waitUntilFinished());
    EXPECT_EQ(holder.batch->failed, (std::vector<QString>{"b", "c"}));
    EXPECT_FALSE(holder.batch->folderProblem) << holder.batch->folderProblem->toStdString();
    EXPECT_EQ(holder.batch->outputs, std::vector<fs::path>{out / "Trip" / "a.jpg"});
    disk.reset();
    fs::permissions(locked, fs::perms::owner_all);
}

TEST(BatchConversion, PhotosWhoseSubFolderNameTheDiskRefusesAreListed) {
    test::TemporaryDirectory directory;
    const auto trip = directory / "In" / "Trip";
    photo(trip / "a.png", ConvertFormat::png);
    const test::FuseMount card(test::FuseMount::Type::exfat);
    if (!card.skipReason().empty()) {
        GTEST_SKIP() << "exFAT: " << card.skipReason();
    }
    photo(directory / "Why?" / "d.png", ConvertFormat::png);
    photo(directory / "Why?" / "e.png", ConvertFormat::png);
    Holder onCard;
    onCard.startBatch(BatchConversion::collectItems({trip / "a.png", directory / "Why?"}), ConvertOptions{},
                      card.path());
    ASSERT_TRUE(onCard.waitUntilFinished());
    EXPECT_EQ(onCard.batch->failed, (std::vector<QString>{"d", "e"}));
    EXPECT_FALSE(onCard.batch->folderProblem) << onCard.batch->folderProblem->toStdString();
    EXPECT_EQ(filesBelow(card.path()), std::vector<fs::path>{"a.jpg"});
}
