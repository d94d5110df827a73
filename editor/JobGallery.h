#pragma once

#include "editor/ConvertedFile.h"
#include "editor/JobRecord.h"
#include "platform/image/Bitmap.h"

#include <QFuture>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QThreadPool>
#include <cstdint>
#include <filesystem>
#include <optional>

namespace orvane {

// Every finished editor job, one folder per job under `root()`, named by the job's id. Lives on
// the main thread; the folders are written on a worker thread.
class JobGallery : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<orvane::JobRecord> records READ records WRITE setRecords NOTIFY recordsChanged)
    Q_PROPERTY(bool isLoaded READ isLoaded NOTIFY isLoadedChanged)

public:
    // Starts reading the jobs saved under `root` (see `load`).
    explicit JobGallery(std::filesystem::path root, QObject* parent = nullptr);
    ~JobGallery() override;

    // The instance for the user's application-data folder, made and loaded on first use. Call it
    // on the main thread once the application object exists; it goes with that object, after
    // the jobs still being written are on disk.
    static JobGallery& shared();
    // "$XDG_DATA_HOME/orvane/Jobs", or "~/.local/share/orvane/Jobs" when that is unset or relative.
    static std::filesystem::path defaultRoot();

    const std::filesystem::path& root() const { return root_; }
    // The folder the record was read from, which holds its result, "thumb.jpg" and "before.jpg".
    std::filesystem::path folder(const JobRecord& record) const;

    // The jobs on disk have been read once; until then `records` holds only jobs added since.
    bool isLoaded() const { return isLoaded_; }

    // Newest first.
    const QList<JobRecord>& records() const { return records_; }
    void setRecords(QList<JobRecord> records);

    // Reads every job folder again on a worker thread and then replaces `records` with what it
    // found, keeping jobs added and leaving out jobs removed while it read. Folders whose
    // "meta.json" cannot be read are passed over, and so are the other copies of a job that two
    // folders hold: the one its id names is listed, else the first by name. A later read takes
    // over from an earlier one.
    void load();
    std::int64_t totalBytes() const;

    // Removes the folder the record was read from, and no other, and every record with its id.
    void remove(const JobRecord& record);
    // Removes every listed job's folder and the other copies the last read passed over; anything
    // else in the root stays.
    void removeAll();

    // Writes a new job in the background and puts its record first once it is on disk. The
    // future gives the record, or none when the job could not be written (nothing is recorded).
    // Its continuation runs on this object's thread, so wait for it there with the event loop
    // running, never by blocking.
    QFuture<std::optional<JobRecord>> add(Bitmap result, std::optional<Bitmap> before, QString title,
                                          QString symbol, QString detail, QString baseName, bool asPNG,
                                          std::optional<int> dpi = std::nullopt,
                                          std::optional<ConvertedFile> data = std::nullopt);

    // Writes one job's folder: the result file (`baseName`, a point and `resultExtension`, the end of
    // `baseName` given up when the name would be too long for the file system), "thumb.jpg",
    // "before.jpg" when there is a before image, and "meta.json" last, so that a folder without it
    // is never a job. On any failure the folder is removed with everything in it and none is
    // returned. Safe on any thread.
    static std::optional<JobRecord> writeJob(const std::filesystem::path& folder, const QUuid& id,
                                             const Bitmap& result, const std::optional<Bitmap>& before,
                                             const QString& title, const QString& symbol,
                                             const QString& detail, const QString& baseName, bool asPNG,
                                             std::optional<int> dpi,
                                             const std::optional<ConvertedFile>& data);

    // The extension of a job's result file: the converted bytes' own, else "png" or "jpg".
    static QString resultExtension(bool asPNG, const std::optional<ConvertedFile>& data);

    static constexpr int thumbnailLongEdge = 480;
    static constexpr int beforeLongEdge = 2048;

signals:
    void recordsChanged();
    void isLoadedChanged();

private:
    std::filesystem::path root_;
    QList<JobRecord> records_;
    // Folder names of the copies of listed jobs that are not shown.
    QStringList otherCopies_;
    bool isLoaded_ = false;
    // The reads started and the one in progress, if any; what changed while it read.
    std::uint64_t loadGeneration_ = 0;
    bool isReading_ = false;
    QList<JobRecord> addedWhileReading_;
    QList<QUuid> removedWhileReading_;
    QThreadPool writers_;
};

} // namespace orvane
