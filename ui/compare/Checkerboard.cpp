#include "ui/compare/Checkerboard.h"

#include "editor/TransparencyGrid.h"

namespace orvane {

namespace {
// The same in light and dark, and the same as in the gallery's thumbnails.
QColor color(const TransparencyGrid::Color& rgb) {
    return QColor(rgb[0], rgb[1], rgb[2]);
}
} // namespace

Checkerboard::Checkerboard(QWidget* parent)
    : QWidget(parent) {
    setObjectName("checkerboard");
}

QVector<QRectF> Checkerboard::greySquares(QSizeF size) {
    QVector<QRectF> squares;
    int row = 0;
    for (qreal y = 0; y < size.height(); y += square, ++row) {
        int column = 0;
        for (qreal x = 0; x < size.width(); x += square, ++column) {
            if ((row + column) % 2 == 0) {
                squares.append(QRectF(x, y, square, square));
            }
        }
    }
    return squares;
}

void Checkerboard::paint(QPainter& painter, const QRectF& rect) {
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.fillRect(rect, color(TransparencyGrid::white));
    QVector<QRectF> squares = greySquares(rect.size());
    for (QRectF& each : squares) {
        each.translate(rect.topLeft());
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(color(TransparencyGrid::grey));
    painter.drawRects(squares);
    painter.restore();
}

void Checkerboard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, rect());
}

} // namespace orvane
