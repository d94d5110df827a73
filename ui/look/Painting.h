#pragma once

#include <QColor>
#include <QPainter>
#include <QRectF>

// The few shapes the views are drawn from, so that every rounded panel, pill and frame has the
// same antialiased edge.
namespace orvane::Painting {

void fillRoundedRect(QPainter& painter, const QRectF& rect, qreal radius, const QColor& color);
// A border drawn inside the shape, as a stroke of `width` inset by half of it.
void strokeRoundedRect(QPainter& painter, const QRectF& rect, qreal radius, const QColor& color, qreal width,
                       Qt::PenStyle style = Qt::SolidLine);
// A rounded rectangle whose radius is half its height.
void fillCapsule(QPainter& painter, const QRectF& rect, const QColor& color);
// A soft shadow under a circle or a bar, as the compare view's handle has.
void fillShadowedEllipse(QPainter& painter, const QRectF& rect, const QColor& color, const QColor& shadow,
                         qreal blur);

} // namespace orvane::Painting
