#include "editor/JobGallery.h"

#include "core/ImageFiles.h"
#include "core/Render.h"
#include "editor/TransparencyGrid.h"
#include "platform/files/FileBytes.h"
#include "platform/files/FileNameLength.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <utility>

namespace orvane {

namespace fs = std::filesystem;

namespace {

constexpr auto metaFileName = "meta.json";
constexpr auto thumbnailFileName = "thumb.jpg";
constexpr auto beforeFileName = "before.jpg";
constexpr double resultQuality = 0.92;
constexpr double thumbnailQuality = 0.8;
constexpr double beforeQuality = 0.85;

bool writeFile(const fs::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream stream(path, std::ios::binary | std::ios::trunc);
    stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    stream.close();
    return !stream.fail();
}

std::optional<JobRecord> writeJobFiles(const fs::path& folder, const QUuid& id, const Bitmap& result,
                                       const std::optional<Bitmap>& before, const QString& title,
                                       const QString& symbol, const QString& detail, const QString& baseName,
                                       bool asPNG, std::optional<int> dpi,
                                       const std::optional<ConvertedFile>& data) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        return std::nullopt;
    }

    const QString resultFile = QString::fromStdString(FileNameLength::fittedName(
        baseName.toStdString(), "." + JobGallery::resultExtension(asPNG, data).toStdString()));
    std::int64_t size = 0;
    if (data) {
        const std::span<const std::uint8_t> bytes =
            data->bytes ? std::span<const std::uint8_t>(*data->bytes) : std::span<const std::uint8_t>();
        if (!writeFile(folder / resultFile.toStdString(), bytes)) {
            return std::nullopt;
        }
        size = static_cast<std::int64_t>(bytes.size());
    } else {
        const auto path = folder / resultFile.toStdString();
        ImageFiles::save(result, path, asPNG ? ImageFiles::Format::png : ImageFiles::Format::jpeg,
                         resultQuality, dpi);
        // The size is only shown to the user; not knowing it is no reason to lose the job.
        const auto onDisk = fs::file_size(path, error);
        size = error ? 0 : static_cast<std::int64_t>(onDisk);
    }

    // A JPEG keeps no transparency: a cut-out is shown on the grid the compare view draws behind it.
    const Bitmap thumbnail = Render::downscaled(result, JobGallery::thumbnailLongEdge);
    ImageFiles::save(TransparencyGrid::flattened(thumbnail, TransparencyGrid::squareFor(std::max(
                                                                thumbnail.width(), thumbnail.height()))),
                     folder / thumbnailFileName, ImageFiles::Format::jpeg, thumbnailQuality);
    if (before) {
        ImageFiles::save(Render::downscaled(*before, JobGallery::beforeLongEdge), folder / beforeFileName,
                         ImageFiles::Format::jpeg, beforeQuality);
    }

    // Microseconds survive the JSON number exactly, so the record equals the one read back.
    const auto now = std::chrono::floor<std::chrono::microseconds>(std::chrono::system_clock::now());
    JobRecord record{id, title, symbol, now, result.width(), result.height(), resultFile, size, detail};
    const std::string json = encodeJSON(record);
    if (!writeFile(folder / metaFileName,
                   {reinterpret_cast<const std::uint8_t*>(json.data()), json.size()})) {
        return std::nullopt;
    }
    return record;
}

// Equal dates keep their order.
void sortNewestFirst(QList<JobRecord>& records) {
    std::stable_sort(records.begin(), records.end(),
                     [](const JobRecord& a, const JobRecord& b) { return a.date > b.date; });
}

// What reading the root found: one record per job, newest first, and the folders of the other
// copies of a job that two or more folders hold.
struct ReadJobs {
    QList<JobRecord> records;
    QStringList otherCopies;
};

// Which of two folders holding one job is shown: the one its id names, else the first by name.
bool shownBefore(const JobRecord& a, const JobRecord& b) {
    if (a.folderName.isEmpty() != b.folderName.isEmpty()) {
        return a.folderName.isEmpty();
    }
    return a.folderName < b.folderName;
}

// Every readable job under `root`; equal dates keep the listing's order.
ReadJobs readRecords(const fs::path& root) {
    std::error_code error;
    fs::create_directories(root, error);

    std::vector<fs::path> entries;
    for (fs::directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
        entries.push_back(it->path());
    }
    if (error) {
        entries.clear();
    }

    QList<JobRecord> loaded;
    for (const auto& entry : entries) {
        const std::string filename = entry.filename().string();
        const QString name = QString::fromStdString(filename);
        // A name that isn't UTF-8 would name another folder once written back: such a job could
        // be neither shown from its folder nor deleted.
        if (name.toStdString() != filename) {
            continue;
        }
        if (const auto bytes = FileBytes::read(entry / metaFileName)) {
            if (auto record = decodeJobRecord(*bytes)) {
                if (name != uuidString(record->id)) {
                    record->folderName = name;
                }
                loaded.push_back(std::move(*record));
            }
        }
    }

    // A list that holds one job twice can't tell the two apart, to show or to delete them.
    QHash<QUuid, qsizetype> shown;
    for (qsizetype index = 0; index < loaded.size(); ++index) {
        const auto found = shown.find(loaded[index].id);
        if (found == shown.end()) {
            shown.insert(loaded[index].id, index);
        } else if (shownBefore(loaded[index], loaded[*found])) {
            *found = index;
        }
    }
    ReadJobs read;
    for (qsizetype index = 0; index < loaded.size(); ++index) {
        if (shown.value(loaded[index].id) == index) {
            read.records.push_back(loaded[index]);
        } else {
            read.otherCopies.push_back(jobFolderName(loaded[index]));
        }
    }
    sortNewestFirst(read.records);
    return read;
}

} // namespace

JobGallery::JobGallery(fs::path root, QObject* parent)
    : QObject(parent)
    , root_(std::move(root)) {
    // Writing a job must never take time from the editor itself.
    writers_.setThreadPriority(QThread::LowPriority);
    load();
}

JobGallery::~JobGallery() {
    // A job that was accepted is finished, so that it is on disk when the application ends.
    writers_.waitForDone();
}

JobGallery& JobGallery::shared() {
    static JobGallery* const instance = new JobGallery(defaultRoot(), QCoreApplication::instance());
    return *instance;
}

fs::path JobGallery::defaultRoot() {
    fs::path data;
    if (const char* home = std::getenv("XDG_DATA_HOME"); home != nullptr && fs::path(home).is_absolute()) {
        data = home;
    } else {
        data = fs::path(QDir::homePath().toStdString()) / ".local" / "share";
    }
    return data / "orvane" / "Jobs";
}

void JobGallery::setRecords(QList<JobRecord> records) {
    if (records == records_) {
        return;
    }
    records_ = std::move(records);
    emit recordsChanged();
}

void JobGallery::load() {
    const std::uint64_t generation = ++loadGeneration_;
    isReading_ = true;
    addedWhileReading_.clear();
    removedWhileReading_.clear();
    QtConcurrent::run(QThreadPool::globalInstance(), [root = root_] {
        return readRecords(root);
    }).then(this, [this, generation](ReadJobs found) {
        if (generation != loadGeneration_) {
            return;
        }
        isReading_ = false;
        otherCopies_ = std::move(found.otherCopies);
        QList<JobRecord>& read = found.records;
        // The folders were listed before these changes, or while they were made: what the
        // user did meanwhile stands, also for a job added and then deleted while it read.
        const auto wasRemoved = [&](const JobRecord& record) {
            return removedWhileReading_.contains(record.id);
        };
        addedWhileReading_.removeIf(wasRemoved);
        read.removeIf([&](const JobRecord& record) {
            return wasRemoved(record) ||
                   std::any_of(addedWhileReading_.begin(), addedWhileReading_.end(),
                               [&](const JobRecord& added) { return added.id == record.id; });
        });
        QList<JobRecord> merged = addedWhileReading_ + read;
        addedWhileReading_.clear();
        removedWhileReading_.clear();
        sortNewestFirst(merged);
        setRecords(std::move(merged));
        if (!isLoaded_) {
            isLoaded_ = true;
            emit isLoadedChanged();
        }
    });
}

std::int64_t JobGallery::totalBytes() const {
    std::int64_t total = 0;
    for (const auto& record : records_) {
        total += record.bytes;
    }
    return total;
}

void JobGallery::remove(const JobRecord& record) {
    std::error_code ignored;
    fs::remove_all(folder(record), ignored);
    records_.removeIf([&](const JobRecord& listed) { return listed.id == record.id; });
    if (isReading_) {
        removedWhileReading_.push_back(record.id);
    }
    emit recordsChanged();
}

void JobGallery::removeAll() {
    for (const auto& record : records_) {
        std::error_code ignored;
        fs::remove_all(folder(record), ignored);
        if (isReading_) {
            removedWhileReading_.push_back(record.id);
        }
    }
    // The copies not shown are jobs too; left here, they would come back on the next start.
    for (const QString& name : std::exchange(otherCopies_, {})) {
        std::error_code ignored;
        fs::remove_all(root_ / name.toStdString(), ignored);
    }
    setRecords({});
}

QFuture<std::optional<JobRecord>> JobGallery::add(Bitmap result, std::optional<Bitmap> before, QString title,
                                                  QString symbol, QString detail, QString baseName,
                                                  bool asPNG, std::optional<int> dpi,
                                                  std::optional<ConvertedFile> data) {
    const QUuid id = QUuid::createUuid();
    auto written = QtConcurrent::run(&writers_, [=, destination = root_ / uuidString(id).toStdString()] {
        return writeJob(destination, id, result, before, title, symbol, detail, baseName, asPNG, dpi, data);
    });
    return written.then(this, [this](std::optional<JobRecord> record) {
        if (record) {
            if (isReading_) {
                addedWhileReading_.prepend(*record);
            }
            records_.prepend(*record);
            emit recordsChanged();
        }
        return record;
    });
}

QString JobGallery::resultExtension(bool asPNG, const std::optional<ConvertedFile>& data) {
    if (data) {
        return data->fileExtension;
    }
    return asPNG ? QStringLiteral("png") : QStringLiteral("jpg");
}

std::optional<JobRecord> JobGallery::writeJob(const fs::path& folder, const QUuid& id, const Bitmap& result,
                                              const std::optional<Bitmap>& before, const QString& title,
                                              const QString& symbol, const QString& detail,
                                              const QString& baseName, bool asPNG, std::optional<int> dpi,
                                              const std::optional<ConvertedFile>& data) {
    std::optional<JobRecord> record;
    try {
        record = writeJobFiles(folder, id, result, before, title, symbol, detail, baseName, asPNG, dpi, data);
    } catch (const std::exception&) {
        record.reset();
    }
    if (!record) {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    return record;
}

fs::path JobGallery::folder(const JobRecord& record) const {
    return root_ / jobFolderName(record).toStdString();
}

} // namespace orvane
