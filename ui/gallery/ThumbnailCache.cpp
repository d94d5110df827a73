#include "ui/gallery/ThumbnailCache.h"

#include "platform/files/FileBytes.h"

#include <QBuffer>
#include <QFutureWatcher>
#include <QImageReader>
#include <QtConcurrent>

namespace orvane {
namespace {

QImage decode(const std::filesystem::path& file) {
    // Through the reader of regular files only: a thumbnail that is a named pipe would otherwise
    // hold a thread of the pool for good, and the process could not end.
    const std::optional<Bytes> bytes = FileBytes::read(file);
    if (!bytes) {
        return {};
    }
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes->data()),
                                              static_cast<qsizetype>(bytes->size()));
    QBuffer buffer(&data);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    // Converted here, so that painting never converts on the main thread.
    return image.isNull() ? QImage() : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

ThumbnailCache::ThumbnailCache(int capacity, QObject* parent)
    : QObject(parent)
    , capacity_(std::max(capacity, 1)) {}

ThumbnailCache& ThumbnailCache::shared() {
    static ThumbnailCache* cache = new ThumbnailCache(120, qApp);
    return *cache;
}

QString ThumbnailCache::key(const std::filesystem::path& jobFolder) {
    return QString::fromStdString(jobFolder.lexically_normal().string());
}

std::optional<QImage> ThumbnailCache::image(const std::filesystem::path& jobFolder) {
    const QString name = key(jobFolder);
    if (const auto found = index_.constFind(name); found != index_.constEnd()) {
        entries_.splice(entries_.begin(), entries_, *found);
        return entries_.front().second;
    }
    if (pending_.contains(name)) {
        return std::nullopt;
    }
    pending_.insert(name);
    const std::filesystem::path file = jobFolder / "thumb.jpg";
    auto* watcher = new QFutureWatcher<QImage>(this);
    connect(watcher, &QFutureWatcher<QImage>::finished, this, [this, watcher, name] {
        watcher->deleteLater();
        pending_.remove(name);
        store(name, watcher->result());
        emit finished(name);
    });
    watcher->setFuture(QtConcurrent::run(decode, file));
    return std::nullopt;
}

void ThumbnailCache::store(const QString& name, QImage image) {
    if (const auto found = index_.constFind(name); found != index_.constEnd()) {
        entries_.erase(*found);
    }
    entries_.emplace_front(name, std::move(image));
    index_.insert(name, entries_.begin());
    while (static_cast<int>(entries_.size()) > capacity_) {
        index_.remove(entries_.back().first);
        entries_.pop_back();
    }
}

} // namespace orvane
