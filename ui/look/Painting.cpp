#include "ui/look/Painting.h"

#include <QPainterPath>

namespace orvane::Painting {

void fillRoundedRect(QPainter& painter, const QRectF& rect, qreal radius, const QColor& color) {
    if (color.alpha() == 0) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawRoundedRect(rect, radius, radius);
    painter.restore();
}

void strokeRoundedRect(QPainter& painter, const QRectF& rect, qreal radius, const QColor& color, qreal width,
                       Qt::PenStyle style) {
    if (color.alpha() == 0 || width <= 0) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(color, width, style, Qt::FlatCap, Qt::MiterJoin);
    if (style == Qt::CustomDashLine) {
        // Dashes of 8 points on and 8 off; Qt counts dash lengths in pen widths.
        pen.setDashPattern({8 / width, 8 / width});
    }
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const qreal inset = width / 2;
    painter.drawRoundedRect(rect.adjusted(inset, inset, -inset, -inset), radius - inset, radius - inset);
    painter.restore();
}

void fillCapsule(QPainter& painter, const QRectF& rect, const QColor& color) {
    fillRoundedRect(painter, rect, rect.height() / 2, color);
}

void fillShadowedEllipse(QPainter& painter, const QRectF& rect, const QColor& color, const QColor& shadow,
                         qreal blur) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    // A few widening rings of falling opacity stand in for a Gaussian shadow.
    const int rings = 4;
    for (int ring = rings; ring >= 1; --ring) {
        QColor layer = shadow;
        layer.setAlphaF(shadow.alphaF() / rings);
        painter.setBrush(layer);
        const qreal grow = blur * ring / rings;
        painter.drawEllipse(rect.adjusted(-grow, -grow, grow, grow));
    }
    painter.setBrush(color);
    painter.drawEllipse(rect);
    painter.restore();
}

} // namespace orvane::Painting
