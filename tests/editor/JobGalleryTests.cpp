#include "core/ImageFiles.h"
#include "editor/JobGallery.h"
#include "editor/TransparencyGrid.h"
#include "tests/editor/WaitForLoad.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/TestImages.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace orvane;
using namespace std::chrono;
namespace fs = std::filesystem;

namespace {

// The continuation that records a job runs on the main thread, so the event loop has to run
// while waiting for it.
std::optional<JobRecord> finished(QFuture<std::optional<JobRecord>> future) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return future.isFinished(); }, 60'000));
    return future.result();
}

Bytes contents(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

void write(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

bool isJPEG(const fs::path& path) {
    const auto bytes = contents(path);
    return bytes.size() > 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

// A job folder made by hand, so that a test chooses its name and date.
JobRecord storeJob(const fs::path& root, int seconds, std::optional<std::string> folderName = std::nullopt) {
    JobRecord record{QUuid::createUuid(),
                     QStringLiteral("Job %1").arg(seconds),
                     QStringLiteral("wand.and.stars"),
                     sys_seconds{std::chrono::seconds{978'307'200 + seconds}},
                     10,
                     20,
                     QStringLiteral("result.jpg"),
                     1000 + seconds,
                     QStringLiteral("10 × 20")};
    const auto folder = root / folderName.value_or(uuidString(record.id).toStdString());
    fs::create_directories(folder);
    write(folder / "meta.json", encodeJSON(record));
    record.folderName = QString::fromStdString(folderName.value_or(""));
    return record;
}

std::vector<fs::path> listing(const fs::path& root) {
    std::vector<fs::path> entries;
    for (const auto& entry : fs::directory_iterator(root)) {
        entries.push_back(entry.path());
    }
    return entries;
}

} // namespace

TEST(JobGallery, AddedJobsAreWrittenAndReadBackNewestFirst) {
    test::TemporaryDirectory directory;
    const auto root = directory / "Jobs";
    JobGallery gallery(root);
    ASSERT_TRUE(test::waitForLoad(gallery));
    ASSERT_TRUE(fs::is_directory(root));
    QSignalSpy changed(&gallery, &JobGallery::recordsChanged);

    const auto photo =
        finished(gallery.add(test::gradient(1200, 800), test::gradient(3000, 1000), "Enlarged",
                             "arrow.up.left.and.arrow.down.right", "1200 × 800", "holiday", false, 300));
    const auto cutout = finished(gallery.add(test::solid(300, 600, 200, 40, 40, 0), std::nullopt, "Cut out",
                                             "person.crop.rectangle", "300 × 600", "portrait", true));
    const auto converted = std::make_shared<const Bytes>(Bytes{'R', 'I', 'F', 'F', 0, 1, 2, 3, 4});
    const auto convert = finished(gallery.add(test::gradient(640, 480), test::gradient(400, 800), "Converted",
                                              "arrow.triangle.2.circlepath", "WebP", "scan", false,
                                              std::nullopt, ConvertedFile{converted, "webp"}));
    ASSERT_TRUE(photo && cutout && convert);
    EXPECT_EQ(changed.count(), 3);
    EXPECT_EQ(gallery.records(), (QList<JobRecord>{*convert, *cutout, *photo}));

    const auto now = system_clock::now();
    EXPECT_LE(photo->date, now);
    EXPECT_GT(photo->date, now - minutes{1});
    EXPECT_EQ(photo->title, "Enlarged");
    EXPECT_EQ(photo->symbol, "arrow.up.left.and.arrow.down.right");
    EXPECT_EQ(photo->detail, "1200 × 800");
    EXPECT_EQ(photo->resultFile, "holiday.jpg");
    EXPECT_EQ(cutout->resultFile, "portrait.png");
    EXPECT_EQ(convert->resultFile, "scan.webp");
    EXPECT_EQ(std::pair(photo->width, photo->height), std::pair(1200, 800));
    EXPECT_EQ(std::pair(convert->width, convert->height), std::pair(640, 480));

    const auto folder = [&](const JobRecord& record) { return root / uuidString(record.id).toStdString(); };
    EXPECT_EQ(photo->bytes, static_cast<std::int64_t>(fs::file_size(folder(*photo) / "holiday.jpg")));
    EXPECT_EQ(cutout->bytes, static_cast<std::int64_t>(fs::file_size(folder(*cutout) / "portrait.png")));
    EXPECT_EQ(contents(folder(*convert) / "scan.webp"), *converted);
    EXPECT_EQ(convert->bytes, 9);
    EXPECT_EQ(gallery.totalBytes(), photo->bytes + cutout->bytes + 9);

    EXPECT_TRUE(isJPEG(folder(*photo) / "holiday.jpg"));
    const auto result = ImageFiles::loadFromURL(folder(*photo) / "holiday.jpg");
    EXPECT_EQ(std::pair(result.width(), result.height()), std::pair(1200, 800));
    const auto transparent = ImageFiles::loadFromURL(folder(*cutout) / "portrait.png");
    EXPECT_TRUE(hasAlphaChannel(transparent.alphaInfo()));
    EXPECT_EQ(transparent.pixel(10, 10)[3], 0);

    for (const auto* record : {&*photo, &*cutout, &*convert}) {
        const auto thumb = folder(*record) / "thumb.jpg";
        ASSERT_TRUE(isJPEG(thumb)) << thumb;
        const auto image = ImageFiles::loadFromURL(thumb);
        EXPECT_EQ(std::max(image.width(), image.height()), 480) << thumb;
    }
    const auto convertThumb = ImageFiles::loadFromURL(folder(*convert) / "thumb.jpg");
    EXPECT_EQ(std::pair(convertThumb.width(), convertThumb.height()), std::pair(480, 360));
    const auto before = ImageFiles::loadFromURL(folder(*photo) / "before.jpg");
    EXPECT_TRUE(isJPEG(folder(*photo) / "before.jpg"));
    EXPECT_EQ(std::pair(before.width(), before.height()), std::pair(2048, 682));
    EXPECT_FALSE(fs::exists(folder(*cutout) / "before.jpg"));

    JobGallery reloaded(root);
    ASSERT_TRUE(test::waitForLoad(reloaded));
    EXPECT_EQ(reloaded.records(), gallery.records());
    EXPECT_EQ(reloaded.totalBytes(), gallery.totalBytes());
}

// A JPEG thumbnail keeps no transparency: a cut-out shows on the compare view's grid, not on black,
// so that it reads as a cut-out and the job's dark badge stays visible on it.
TEST(JobGallery, ACutOutsThumbnailShowsItsTransparentPartsOnTheGrid) {
    test::TemporaryDirectory directory;
    JobGallery gallery(directory / "Jobs");
    ASSERT_TRUE(test::waitForLoad(gallery));
    // A red subject in the middle, transparent around it.
    const Bitmap cutOut =
        test::drawn(960, 640, AlphaInfo::last, [](int x, int y) -> std::array<std::uint8_t, 4> {
            const bool subject = x >= 320 && x < 640 && y >= 200 && y < 440;
            return {200, 30, 30, static_cast<std::uint8_t>(subject ? 255 : 0)};
        });
    const auto record = finished(gallery.add(cutOut, std::nullopt, "Remove background",
                                             "person.crop.rectangle", "960 × 640", "portrait", true));
    ASSERT_TRUE(record);
    const auto thumb =
        ImageFiles::loadFromURL(directory / "Jobs" / uuidString(record->id).toStdString() / "thumb.jpg");
    ASSERT_EQ(std::pair(thumb.width(), thumb.height()), std::pair(480, 320));
    const int square = TransparencyGrid::squareFor(480);
    const auto near = [](const std::uint8_t* pixel, const TransparencyGrid::Color& color) {
        for (int channel = 0; channel < 3; ++channel) {
            if (std::abs(pixel[channel] - color[channel]) > 6) {
                return false;
            }
        }
        return true;
    };
    // The corner square is grey, the next one white, in both directions.
    EXPECT_TRUE(near(thumb.pixel(square / 2, square / 2), TransparencyGrid::grey));
    EXPECT_TRUE(near(thumb.pixel(square + square / 2, square / 2), TransparencyGrid::white));
    EXPECT_TRUE(near(thumb.pixel(square / 2, square + square / 2), TransparencyGrid::white));
    EXPECT_TRUE(near(thumb.pixel(479 - square / 4, 319 - square / 4), TransparencyGrid::grey) ||
                near(thumb.pixel(479 - square / 4, 319 - square / 4), TransparencyGrid::white));
    // The subject keeps its colour.
    EXPECT_TRUE(near(thumb.pixel(240, 160), {200, 30, 30}));
}

TEST(JobGallery, LoadsOnlyReadableJobsAndRemoveAllLeavesEverythingElse) {
    test::TemporaryDirectory root;
    {
        JobGallery empty(root.path());
        ASSERT_TRUE(test::waitForLoad(empty));
        EXPECT_TRUE(empty.records().empty());
        EXPECT_EQ(empty.totalBytes(), 0);
    }

    const auto older = storeJob(root.path(), 100);
    const auto newer = storeJob(root.path(), 200);
    const auto hidden = storeJob(root.path(), 150, ".hidden");
    write(root / "notes.txt", "not a job");
    fs::create_directory(root / "empty");
    fs::create_directory(root / "E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
    const auto broken = [&](const std::string& name, const std::string& json) {
        fs::create_directory(root / name);
        write(root / name / "meta.json", json);
    };
    const std::string good = encodeJSON(older);
    broken("missing-key", std::string(good).replace(good.find("\"title\""), 7, "\"name\""));
    const auto date = good.find("\"date\":") + 7;
    const auto dateEnd = good.find(',', date);
    broken("date-as-text", std::string(good).insert(dateEnd, "\"").insert(date, "\""));
    broken("bad-id", std::string(good).replace(good.find(uuidString(older.id).toStdString()), 36, "holiday"));
    broken("not-json", "{\"id\":");
    fs::create_directory(root / "pipe");
    ASSERT_EQ(::mkfifo((root / "pipe" / "meta.json").c_str(), 0600), 0);

    JobGallery gallery(root.path());
    ASSERT_TRUE(test::waitForLoad(gallery));
    EXPECT_EQ(gallery.records(), (QList<JobRecord>{newer, hidden, older}));
    EXPECT_EQ(gallery.totalBytes(), 1200 + 1150 + 1100);

    gallery.removeAll();
    EXPECT_TRUE(gallery.records().empty());
    EXPECT_FALSE(fs::exists(root / uuidString(older.id).toStdString()));
    EXPECT_FALSE(fs::exists(root / uuidString(newer.id).toStdString()));
    EXPECT_FALSE(fs::exists(root / ".hidden"));
    for (const auto* name : {"notes.txt", "empty", "E621E1F8-C36C-495A-93FC-0C247A3E6E5F", "missing-key",
                             "date-as-text", "bad-id", "not-json", "pipe"}) {
        EXPECT_TRUE(fs::exists(root / name)) << name;
    }
}

TEST(JobGallery, EqualDatesKeepTheListingOrder) {
    test::TemporaryDirectory root;
    std::map<fs::path, JobRecord> stored;
    for (int i = 0; i < 6; ++i) {
        const auto record = storeJob(root.path(), i % 2 == 0 ? 50 : 70);
        stored.emplace(root / uuidString(record.id).toStdString(), record);
    }
    QList<JobRecord> newerFirst, olderAfter;
    for (const auto& entry : listing(root.path())) {
        const auto& record = stored.at(entry);
        (record.date == sys_seconds{seconds{978'307'200 + 70}} ? newerFirst : olderAfter).push_back(record);
    }
    JobGallery gallery(root.path());
    ASSERT_TRUE(test::waitForLoad(gallery));
    EXPECT_EQ(gallery.records(), newerFirst + olderAfter);
}

// A job folder can be known by another name than its id: a copy made in a file manager, a backup
// put back. Deleting the job it shows must never take the folder of another.
TEST(JobGallery, RemoveDeletesOnlyTheFolderTheRecordWasReadFrom) {
    test::TemporaryDirectory root;
    const auto kept = storeJob(root.path(), 10);
    const auto removed = storeJob(root.path(), 20);
    const auto misnamed = storeJob(root.path(), 30, "holiday");
    // A backup put back beside the job's own folder, whose "meta.json" has since been damaged.
    auto restored = storeJob(root.path(), 35, "restored");
    const auto damaged = root / uuidString(restored.id).toStdString();
    fs::create_directories(damaged);
    write(damaged / "meta.json", "{");
    write(damaged / "result.jpg", "the job's own result");
    fs::create_directories(root / uuidString(removed.id).toStdString() / "nested");
    JobGallery gallery(root.path());
    ASSERT_TRUE(test::waitForLoad(gallery));
    ASSERT_EQ(gallery.records(), (QList<JobRecord>{restored, misnamed, removed, kept}));
    EXPECT_EQ(gallery.folder(restored), root / "restored");
    EXPECT_EQ(gallery.folder(kept), root / uuidString(kept.id).toStdString());
    QSignalSpy changed(&gallery, &JobGallery::recordsChanged);

    gallery.remove(removed);
    EXPECT_FALSE(fs::exists(root / uuidString(removed.id).toStdString()));
    EXPECT_EQ(gallery.records(), (QList<JobRecord>{restored, misnamed, kept}));

    gallery.remove(misnamed);
    EXPECT_FALSE(fs::exists(root / "holiday"));
    gallery.remove(restored);
    EXPECT_FALSE(fs::exists(root / "restored"));
    EXPECT_TRUE(fs::exists(damaged / "result.jpg"));
    EXPECT_EQ(gallery.records(), QList<JobRecord>{kept});

    // A record that is no longer listed still has its folder removed.
    const auto stray = storeJob(root.path(), 40);
    gallery.remove(stray);
    EXPECT_FALSE(fs::exists(root / uuidString(stray.id).toStdString()));
    EXPECT_EQ(gallery.records(), QList<JobRecord>{kept});
    EXPECT_EQ(changed.count(), 4);

    // A record's folder is only ever a name in the root.
    auto escaping = kept;
    escaping.folderName = "..";
    EXPECT_EQ(gallery.folder(escaping), root / uuidString(kept.id).toStdString());
}

// Two folders holding one job would draw as one tile and a blank one, and deleting either would
// take the other's files: the job is listed once, from the folder its id names when there is one.
TEST(JobGallery, AJobThatSeveralFoldersHoldIsListedOnce) {
    test::TemporaryDirectory root;
    const auto original = storeJob(root.path(), 10);
    const auto name = uuidString(original.id).toStdString();
    write(root / name / "result.jpg", "original");
    for (const auto* copy : {" copy", " copy 2"}) {
        fs::copy(root / name, root / (name + copy));
    }
    const auto other = storeJob(root.path(), 20);
    // No folder named by this one's id: the first copy by name is listed.
    auto renamed = storeJob(root.path(), 30, "b-backup");
    fs::copy(root / "b-backup", root / "a-backup");
    renamed.folderName = "a-backup";
    write(root / "notes.txt", "not a job");
    // A name that isn't UTF-8 can't be written back: read as text, it would name another folder.
    storeJob(root.path(), 40, "latin-\xE9");
    fs::create_directory(root / "latin-\xEF\xBF\xBD");

    {
        JobGallery gallery(root.path());
        ASSERT_TRUE(test::waitForLoad(gallery));
        EXPECT_EQ(gallery.records(), (QList<JobRecord>{renamed, other, original}));
        gallery.remove(original);
        EXPECT_FALSE(fs::exists(root / name));
        EXPECT_TRUE(fs::exists(root / (name + " copy") / "result.jpg"));
    }
    {
        // The copies are jobs of their own, found again on the next start; deleting all takes
        // the copies that were not shown as well.
        JobGallery gallery(root.path());
        ASSERT_TRUE(test::waitForLoad(gallery));
        ASSERT_EQ(gallery.records().size(), 3);
        EXPECT_EQ(gallery.folder(gallery.records().back()), root / (name + " copy"));
        gallery.removeAll();
    }
    auto left = listing(root.path());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left,
              (std::vector<fs::path>{root / "latin-\xE9", root / "latin-\xEF\xBF\xBD", root / "notes.txt"}));
}

TEST(JobGallery, RecordsSignalOnlyRealChanges) {
    test::TemporaryDirectory root;
    const auto first = storeJob(root.path(), 1);
    const auto second = storeJob(root.path(), 2);
    JobGallery gallery(root.path());
    ASSERT_TRUE(test::waitForLoad(gallery));
    QSignalSpy changed(&gallery, &JobGallery::recordsChanged);

    gallery.setRecords({second, first});
    gallery.load();
    ASSERT_TRUE(test::waitForLoad(gallery));
    EXPECT_EQ(changed.count(), 0);
    gallery.setRecords({first});
    EXPECT_EQ(changed.count(), 1);
    auto renamed = first;
    renamed.title = "Renamed";
    gallery.setRecords({renamed});
    EXPECT_EQ(changed.count(), 2);
    EXPECT_TRUE(gallery.setProperty("records", QVariant::fromValue(QList<JobRecord>{renamed})));
    EXPECT_EQ(changed.count(), 2);

    gallery.removeAll();
    gallery.removeAll();
    EXPECT_EQ(changed.count(), 3);
    EXPECT_TRUE(gallery.property("records").value<QList<JobRecord>>().empty());
}

TEST(JobGallery, AFailedWriteLeavesNoFolderAndNoRecord) {
    test::TemporaryDirectory directory;
    const auto folder = directory / "job";
    fs::create_directories(folder / "before.jpg");
    write(folder / "other", "written earlier");
    EXPECT_FALSE(JobGallery::writeJob(folder, QUuid::createUuid(), test::gradient(64, 64),
                                      test::gradient(64, 64), "Enhanced", "wand.and.stars", "64 × 64",
                                      "photo", false, std::nullopt, std::nullopt));
    EXPECT_FALSE(fs::exists(folder));

    // A root that cannot hold folders: nothing is written and nothing is recorded.
    write(directory / "Jobs", "a file");
    JobGallery gallery(directory / "Jobs");
    ASSERT_TRUE(test::waitForLoad(gallery));
    QSignalSpy changed(&gallery, &JobGallery::recordsChanged);
    EXPECT_FALSE(finished(gallery.add(test::gradient(64, 64), std::nullopt, "Enhanced", "wand.and.stars",
                                      "64 × 64", "photo", false)));
    EXPECT_TRUE(gallery.records().empty());
    EXPECT_EQ(changed.count(), 0);
}

TEST(JobGallery, DefaultRootFollowsXdgDataHome) {
    const QByteArray saved =
        qEnvironmentVariableIsSet("XDG_DATA_HOME") ? qgetenv("XDG_DATA_HOME") : QByteArray();
    qputenv("XDG_DATA_HOME", "/srv/data");
    EXPECT_EQ(JobGallery::defaultRoot(), fs::path("/srv/data/orvane/Jobs"));
    qputenv("XDG_DATA_HOME", "relative");
    EXPECT_EQ(JobGallery::defaultRoot(),
              fs::path(qgetenv("HOME").toStdString()) / ".local/share/orvane/Jobs");
    if (saved.isNull()) {
        qunsetenv("XDG_DATA_HOME");
    } else {
        qputenv("XDG_DATA_HOME", saved);
    }
}

TEST(JobGallery, ReadsItsFolderInTheBackgroundKeepingWhatChangedMeanwhile) {
    test::TemporaryDirectory root;
    const auto kept = storeJob(root.path(), 10);
    const auto removed = storeJob(root.path(), 20);
    JobGallery gallery(root.path());
    // The folder is read on a worker: nothing is listed before the event loop delivers it.
    EXPECT_FALSE(gallery.isLoaded());
    EXPECT_TRUE(gallery.records().empty());
    QSignalSpy loaded(&gallery, &JobGallery::isLoadedChanged);
    QSignalSpy changed(&gallery, &JobGallery::recordsChanged);

    gallery.remove(removed);
    const auto added = finished(gallery.add(test::gradient(16, 16), std::nullopt, "Enhanced",
                                            "wand.and.stars", "16 × 16", "photo", false));
    ASSERT_TRUE(added);
    ASSERT_TRUE(test::waitForLoad(gallery));
    EXPECT_EQ(loaded.count(), 1);
    EXPECT_GE(changed.count(), 1);
    EXPECT_EQ(gallery.records(), (QList<JobRecord>{*added, kept}));
}

namespace {

// Keeps every thread of the shared pool busy, so that the gallery's reading of its folder waits
// until `release`.
class HeldReading {
public:
    HeldReading() {
        QThreadPool& pool = *QThreadPool::globalInstance();
        for (int i = 0; i < pool.maxThreadCount(); ++i) {
            pool.start([this] {
                started_.release();
                gate_.acquire();
            });
        }
        started_.acquire(QThreadPool::globalInstance()->maxThreadCount());
    }
    ~HeldReading() { release(); }
    void release() {
        gate_.release(QThreadPool::globalInstance()->maxThreadCount() - released_);
        released_ = QThreadPool::globalInstance()->maxThreadCount();
    }

private:
    QSemaphore started_;
    QSemaphore gate_;
    int released_ = 0;
};

} // namespace

// Jobs added and then deleted while the folder is still being read stay deleted when the reading
// ends, whether deleted one by one or all at once.
TEST(JobGallery, AJobAddedAndDeletedWhileTheFolderIsReadStaysDeleted) {
    for (const bool all : {false, true}) {
        test::TemporaryDirectory root;
        const auto stored = storeJob(root.path(), 10);
        HeldReading reading;
        JobGallery gallery(root.path());
        const auto added = finished(gallery.add(test::gradient(16, 16), std::nullopt, "Enhanced",
                                                "wand.and.stars", "16 × 16", "photo", false));
        ASSERT_TRUE(added);
        ASSERT_FALSE(gallery.isLoaded());
        if (all) {
            gallery.removeAll();
        } else {
            gallery.remove(*added);
        }
        reading.release();
        ASSERT_TRUE(test::waitForLoad(gallery));
        EXPECT_FALSE(fs::exists(root / uuidString(added->id).toStdString()));
        EXPECT_EQ(gallery.records(), QList<JobRecord>{stored}) << all;
    }
}

TEST(JobGallery, AJobWhoseResultFileLiesOutsideItsFolderIsLeftOut) {
    test::TemporaryDirectory root;
    const auto kept = storeJob(root.path(), 10);
    auto escaping = storeJob(root.path(), 20);
    escaping.resultFile = QStringLiteral("../../outside.jpg");
    write(root / uuidString(escaping.id).toStdString() / "meta.json", encodeJSON(escaping));
    JobGallery gallery(root.path());
    ASSERT_TRUE(test::waitForLoad(gallery));
    EXPECT_EQ(gallery.records(), QList<JobRecord>{kept});
}
