#include "editor/JobGallery.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/ui/support/WindowTestSupport.h"
#include "ui/gallery/GalleryThumb.h"
#include "ui/gallery/JobListModel.h"
#include "ui/gallery/RelativeDate.h"
#include "ui/gallery/ThumbnailCache.h"

#include <QDateTime>
#include <QImage>
#include <QThreadPool>
#include <sys/stat.h>

namespace orvane {
namespace {

using namespace std::chrono_literals;

TEST(JobListModel, FollowsTheGalleryUpToItsLimitAndHandsOnDecodedThumbnails) {
    test::TemporaryDirectory folder;
    JobGallery gallery(folder / "Jobs");
    ASSERT_TRUE(test::waitUntilLoaded(gallery));
    JobListModel recent(gallery, 2);
    JobListModel all(gallery);
    EXPECT_EQ(recent.rowCount(), 0);

    QList<JobRecord> records;
    for (int index = 0; index < 3; ++index) {
        records << JobRecord{.id = QUuid::createUuid(),
                             .title = QStringLiteral("Job %1").arg(index),
                             .symbol = "trash",
                             .date = {},
                             .width = 10,
                             .height = 10,
                             .resultFile = "result.jpg",
                             .bytes = 100,
                             .detail = "JPEG"};
    }
    const auto first = gallery.root() / uuidString(records[0].id).toStdString();
    std::filesystem::create_directories(first);
    test::writePhoto(first / "thumb.jpg", 60, 40);
    gallery.setRecords(records);
    ASSERT_EQ(recent.rowCount(), 2);
    EXPECT_EQ(all.rowCount(), 3);
    EXPECT_EQ(recent.data(recent.index(1), Qt::DisplayRole).toString(), "Job 1");
    EXPECT_EQ(recent.data(recent.index(0), JobListModel::recordRole).value<JobRecord>(), records[0]);
    EXPECT_EQ(recent.folder(0), first);

    // The thumbnail arrives later, announced as a change of the row's decoration; a missing one
    // never does.
    GalleryThumb thumb(records[0], first, true);
    EXPECT_FALSE(thumb.hasImage());
    QList<int> changedRows;
    QObject::connect(&recent, &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& topLeft) { changedRows << topLeft.row(); });
    EXPECT_FALSE(recent.data(recent.index(0), Qt::DecorationRole).isValid());
    ASSERT_TRUE(test::waitFor([&] { return changedRows.contains(0); }));
    EXPECT_EQ(recent.data(recent.index(0), Qt::DecorationRole).value<QImage>().size(), QSize(60, 40));
    EXPECT_TRUE(test::waitFor([&] { return thumb.hasImage(); }));
    recent.data(recent.index(1), Qt::DecorationRole);
    QTest::qWait(100);
    EXPECT_FALSE(recent.data(recent.index(1), Qt::DecorationRole).isValid());

    gallery.setRecords({});
    EXPECT_EQ(recent.rowCount(), 0);
}

TEST(ThumbnailCache, DecodesOnceInTheBackgroundRemembersFailuresAndForgetsTheOldest) {
    test::TemporaryDirectory folder;
    const auto good = folder / "good";
    const auto missing = folder / "missing";
    std::filesystem::create_directories(good);
    QImage thumb(40, 30, QImage::Format_RGB32);
    thumb.fill(Qt::red);
    ASSERT_TRUE(thumb.save(QString::fromStdString((good / "thumb.jpg").string())));

    ThumbnailCache cache(1);
    QStringList finished;
    QObject::connect(&cache, &ThumbnailCache::finished, [&](const QString& key) { finished << key; });
    EXPECT_FALSE(cache.image(good).has_value());
    EXPECT_FALSE(cache.image(good).has_value());
    ASSERT_TRUE(test::waitFor([&] { return finished.size() == 1; }));
    ASSERT_TRUE(cache.image(good).has_value());
    EXPECT_EQ(cache.image(good)->size(), QSize(40, 30));

    EXPECT_FALSE(cache.image(missing).has_value());
    ASSERT_TRUE(test::waitFor([&] { return finished.size() == 2; }));
    ASSERT_TRUE(cache.image(missing).has_value());
    EXPECT_TRUE(cache.image(missing)->isNull());
    // With room for one, the good thumbnail has gone and is decoded again.
    EXPECT_FALSE(cache.image(good).has_value());
    EXPECT_TRUE(test::waitFor([&] { return finished.size() == 3; }));
}

// A thumbnail that is a named pipe, or a link to a device, would hold a thread of the pool for
// good: the tile would never get its image and the process could not end. It is refused at once
// and the tile keeps its symbol.
TEST(GalleryThumb, AThumbnailThatIsNoRegularFileShowsTheSymbolAndHoldsNoThread) {
    test::TemporaryDirectory folder;
    const auto pipe = folder / "pipe";
    const auto device = folder / "device";
    std::filesystem::create_directories(pipe);
    std::filesystem::create_directories(device);
    ASSERT_EQ(::mkfifo((pipe / "thumb.jpg").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", device / "thumb.jpg");
    JobRecord record;
    record.id = QUuid::createUuid();
    record.symbol = "wand.and.stars";

    QStringList finished;
    const QObject listening;
    QObject::connect(&ThumbnailCache::shared(), &ThumbnailCache::finished, &listening,
                     [&](const QString& key) { finished << key; });
    GalleryThumb fromPipe(record, pipe, true);
    GalleryThumb fromDevice(record, device, false);
    ASSERT_TRUE(test::waitFor([&] {
        return finished.contains(ThumbnailCache::key(pipe)) && finished.contains(ThumbnailCache::key(device));
    }));
    EXPECT_FALSE(fromPipe.hasImage());
    EXPECT_FALSE(fromDevice.hasImage());
    EXPECT_TRUE(ThumbnailCache::shared().image(pipe)->isNull());
    EXPECT_TRUE(QThreadPool::globalInstance()->waitForDone(10'000));
}

TEST(RelativeDate, NamesRecentDaysAndCountsLongerSpans) {
    const auto now = std::chrono::system_clock::now();
    EXPECT_EQ(relativeDateText(now - 20s, now), "now");
    EXPECT_EQ(relativeDateText(now + 1h, now), "now");
    EXPECT_EQ(relativeDateText(now - 1min, now), "1 minute ago");
    EXPECT_EQ(relativeDateText(now - 5min, now), "5 minutes ago");
    const QDateTime noon(QDate(2026, 3, 10), QTime(12, 0));
    const auto at = [](const QDateTime& time) {
        return std::chrono::system_clock::time_point(std::chrono::milliseconds(time.toMSecsSinceEpoch()));
    };
    EXPECT_EQ(relativeDateText(at(noon.addSecs(-3 * 3600)), at(noon)), "3 hours ago");
    EXPECT_EQ(relativeDateText(at(noon.addSecs(-13 * 3600)), at(noon)), "yesterday");
    EXPECT_EQ(relativeDateText(at(noon.addDays(-3)), at(noon)), "3 days ago");
    EXPECT_EQ(relativeDateText(at(noon.addDays(-8)), at(noon)), "last week");
    EXPECT_EQ(relativeDateText(at(noon.addDays(-40)), at(noon)), "last month");
    EXPECT_EQ(relativeDateText(at(noon.addYears(-2)), at(noon)), "2 years ago");
}

} // namespace
} // namespace orvane
