#include "ui/compare/DisplayImage.h"

#include "editor/BitmapImage.h"

#include <QColorSpace>
#include <QtConcurrent>

namespace orvane {

DisplayImage::DisplayImage(Bitmap bitmap, QObject* parent)
    : QObject(parent)
    , bitmap_(std::move(bitmap))
    , direct_(qImage(bitmap_)) {
    connect(&watcher_, &QFutureWatcher<std::vector<QImage>>::finished, this, [this] {
        levels_ = watcher_.result();
        emit prepared();
    });
    watcher_.setFuture(QtConcurrent::run([image = direct_] { return prepare(image); }));
}

const QImage& DisplayImage::imageFor(qreal devicePixelWidth) const {
    if (levels_.empty()) {
        return direct_;
    }
    for (auto level = levels_.rbegin(); level != levels_.rend(); ++level) {
        if (level->width() >= devicePixelWidth) {
            return *level;
        }
    }
    return levels_.front();
}

std::vector<QImage> DisplayImage::prepare(const QImage& image) {
    std::vector<QImage> levels;
    if (image.isNull()) {
        return levels;
    }
    QImage full = image;
    if (full.colorSpace().isValid() && full.colorSpace() != QColorSpace(QColorSpace::SRgb)) {
        full.convertToColorSpace(QColorSpace::SRgb);
    }
    const QImage::Format format =
        full.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    levels.push_back(full.convertToFormat(format));
    while (levels.back().width() > 512 && levels.back().height() > 2) {
        const QImage& larger = levels.back();
        QImage half = larger.scaled(larger.width() / 2, std::max(1, larger.height() / 2),
                                    Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        levels.push_back(std::move(half));
    }
    return levels;
}

} // namespace orvane
