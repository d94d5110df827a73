#include "ui/compare/CompareZoom.h"

#include "ui/compare/CompareGeometry.h"

namespace orvane {

void CompareZoom::drag(QSizeF translation, const QRectF& fitted, QSizeF offered) {
    if (zoom > 1) {
        offset = CompareGeometry::clampedOffset(baseOffset + translation, fitted, zoom, offered);
    }
}

void CompareZoom::pinch(qreal magnification, qreal maxZoom, const QRectF& fitted, QSizeF offered) {
    zoom = CompareGeometry::pinchedZoom(baseZoom, magnification, maxZoom);
    offset = CompareGeometry::clampedOffset(offset, fitted, zoom, offered);
}

void CompareZoom::endPinch() {
    baseZoom = zoom;
    baseOffset = offset;
    if (CompareGeometry::snapsBack(zoom)) {
        reset();
    }
}

void CompareZoom::doubleClick(qreal maxZoom) {
    if (zoom > 1) {
        reset();
        return;
    }
    zoom = CompareGeometry::doubleClickZoom(zoom, maxZoom);
    baseZoom = zoom;
}

} // namespace orvane
