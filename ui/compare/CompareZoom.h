#pragma once

#include <QRectF>
#include <QSizeF>

namespace orvane {

// The comparison's zoom and pan, and how each gesture changes them. `zoom` and `offset` are what
// is shown; `baseZoom` and `baseOffset` are where the last gesture ended, which the next one
// starts from.
struct CompareZoom {
    qreal zoom = 1;
    qreal baseZoom = 1;
    QSizeF offset{0, 0};
    QSizeF baseOffset{0, 0};

    void reset() { *this = CompareZoom{}; }

    // A drag by `translation` pans only while zoomed in.
    void drag(QSizeF translation, const QRectF& fitted, QSizeF offered);
    void endDrag() { baseOffset = offset; }
    // A pinch of `magnification` since it began.
    void pinch(qreal magnification, qreal maxZoom, const QRectF& fitted, QSizeF offered);
    // A pinch ending close to 1 snaps back to no zoom.
    void endPinch();
    // Zooms into the centre, or back out when zoomed.
    void doubleClick(qreal maxZoom);

    friend bool operator==(const CompareZoom&, const CompareZoom&) = default;
};

} // namespace orvane
