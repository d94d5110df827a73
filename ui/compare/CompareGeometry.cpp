#include "ui/compare/CompareGeometry.h"

#include <algorithm>
#include <cmath>

namespace orvane::CompareGeometry {

QRectF fittedRect(QSizeF offered, QSize imagePixels) {
    if (imagePixels.width() <= 0 || imagePixels.height() <= 0) {
        return {};
    }
    const qreal w0 = imagePixels.width();
    const qreal h0 = imagePixels.height();
    const qreal s = std::min(offered.width() / w0, offered.height() / h0);
    return {(offered.width() - w0 * s) * 0.5, (offered.height() - h0 * s) * 0.5, w0 * s, h0 * s};
}

qreal maxZoom(const QRectF& fitted, int pixelWidth) {
    return std::max(4.0, pixelWidth / std::max(1.0, fitted.width()));
}

namespace {
qreal clampedAxis(qreal proposed, qreal fittedLength, qreal zoom, qreal offeredLength) {
    const qreal limit = std::max(0.0, (fittedLength * zoom - offeredLength) * 0.5);
    return std::min(std::max(proposed, -limit), limit);
}
} // namespace

QSizeF clampedOffset(QSizeF proposed, const QRectF& fitted, qreal zoom, QSizeF offered) {
    return {clampedAxis(proposed.width(), fitted.width(), zoom, offered.width()),
            clampedAxis(proposed.height(), fitted.height(), zoom, offered.height())};
}

qreal dividerX(const QRectF& fitted, qreal split) {
    return fitted.left() + fitted.width() * split;
}

qreal splitAt(qreal x, const QRectF& fitted) {
    if (fitted.width() <= 0) {
        return 0;
    }
    return std::clamp((x - fitted.left()) / fitted.width(), 0.0, 1.0);
}

qreal maskWidth(qreal dividerX, const QRectF& fitted, QSizeF offset, qreal zoom) {
    qreal m = (dividerX - (fitted.center().x() + offset.width())) / zoom + fitted.width() * 0.5;
    m = std::min(m, fitted.width());
    return std::max(m, 0.0);
}

qreal pinchedZoom(qreal baseZoom, qreal magnification, qreal maxZoom) {
    return std::min(std::max(baseZoom * magnification, 1.0), maxZoom);
}

qreal doubleClickZoom(qreal zoom, qreal maxZoom) {
    return zoom > 1 ? 1.0 : std::min(maxZoom, 3.0);
}

qreal steppedSplit(qreal split, qreal step) {
    return std::clamp(split + step, 0.0, 1.0);
}

QString accessibilityValue(qreal split) {
    return QStringLiteral("%1 percent before").arg(static_cast<long long>(std::trunc(split * 100)));
}

} // namespace orvane::CompareGeometry
