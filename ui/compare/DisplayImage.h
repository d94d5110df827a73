#pragma once

#include "platform/image/Bitmap.h"

#include <QFutureWatcher>
#include <QImage>
#include <QObject>
#include <vector>

namespace orvane {

// A preview made ready for painting at any zoom: converted once to sRGB in the screen's own pixel
// format, and halved step by step, off the main thread. Until that is done the bitmap's own pixels
// are painted, so nothing waits for it.
class DisplayImage : public QObject {
    Q_OBJECT
public:
    explicit DisplayImage(Bitmap bitmap, QObject* parent = nullptr);

    const Bitmap& bitmap() const { return bitmap_; }
    QSize pixelSize() const { return {bitmap_.width(), bitmap_.height()}; }
    bool isPrepared() const { return !levels_.empty(); }
    // The smallest prepared image at least `devicePixelWidth` wide, so that painting only ever
    // reduces by less than half.
    const QImage& imageFor(qreal devicePixelWidth) const;

    // The prepared levels from full size down to about 256 pixels wide.
    static std::vector<QImage> prepare(const QImage& image);

signals:
    void prepared();

private:
    Bitmap bitmap_;
    QImage direct_;
    std::vector<QImage> levels_;
    QFutureWatcher<std::vector<QImage>> watcher_;
};

} // namespace orvane
