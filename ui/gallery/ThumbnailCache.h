#pragma once

#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QString>
#include <filesystem>
#include <list>
#include <optional>

namespace orvane {

// The finished jobs' thumbnails ("thumb.jpg" in each job's folder), decoded on the thread pool and
// kept for the most recently shown jobs, so that scrolling the strip or the gallery back and forth
// neither blocks the window nor decodes a file twice.
class ThumbnailCache : public QObject {
    Q_OBJECT
public:
    explicit ThumbnailCache(int capacity = 120, QObject* parent = nullptr);

    // The one the views share; made on first use, on the main thread.
    static ThumbnailCache& shared();

    // The decoded thumbnail of the job in `jobFolder`. Until it is decoded this is none and the
    // decoding starts (once); `finished` tells when it is done. A thumbnail that could not be read
    // gives a null image, which the views show as their placeholder.
    std::optional<QImage> image(const std::filesystem::path& jobFolder);

    static QString key(const std::filesystem::path& jobFolder);

signals:
    void finished(const QString& key);

private:
    void store(const QString& key, QImage image);

    int capacity_;
    // Most recently used first.
    std::list<std::pair<QString, QImage>> entries_;
    QHash<QString, std::list<std::pair<QString, QImage>>::iterator> index_;
    QSet<QString> pending_;
};

} // namespace orvane
