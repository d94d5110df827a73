#pragma once

#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>

// The measures of the before-and-after comparison, recomputed from the offered size at every
// paint. Pure, so that the comparison's numbers can be checked without a window.
namespace orvane::CompareGeometry {

// Where the images lie at zoom 1: `imagePixels` scaled to fit `offered`, up or down, and centred.
QRectF fittedRect(QSizeF offered, QSize imagePixels);

// The zoom at which one pixel of an image `pixelWidth` wide covers one point, but never below 4.
qreal maxZoom(const QRectF& fitted, int pixelWidth);

// `proposed` limited per axis so that the zoomed images never leave a gap at the view's edge
// that the fitted images did not already have. At zoom 1 nothing can move.
QSizeF clampedOffset(QSizeF proposed, const QRectF& fitted, qreal zoom, QSizeF offered);

// The divider's place in the view for a split of 0 (left edge of the images) to 1 (right edge).
qreal dividerX(const QRectF& fitted, qreal split);

// The split a pointer at `x` asks for, clamped to 0...1.
qreal splitAt(qreal x, const QRectF& fitted);

// How much of the before layer shows, in that layer's own unzoomed points: the fixed divider mapped
// into the zoomed and panned images, so that it cuts them exactly where it is drawn.
qreal maskWidth(qreal dividerX, const QRectF& fitted, QSizeF offset, qreal zoom);

// A pinch or Ctrl-wheel of `magnification` applied to the zoom at its start.
qreal pinchedZoom(qreal baseZoom, qreal magnification, qreal maxZoom);

// A pinch that ends this close to 1 snaps back to it.
inline bool snapsBack(qreal zoom) {
    return zoom <= 1.01;
}

// The zoom a double click brings from `zoom`: into 3 (never past `maxZoom`), or back to 1.
qreal doubleClickZoom(qreal zoom, qreal maxZoom);

// The divider's accessibility step of ±0.1, clamped to 0...1.
qreal steppedSplit(qreal split, qreal step);

// "50 percent before": the whole percentage of the split, truncated.
QString accessibilityValue(qreal split);

} // namespace orvane::CompareGeometry
