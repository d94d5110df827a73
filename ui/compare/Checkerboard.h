#pragma once

#include <QPainter>
#include <QVector>
#include <QWidget>

namespace orvane {

// The grey-and-white pattern behind images that may be transparent: 12-point squares, the top-left
// one grey, alternating in both directions.
class Checkerboard : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal square = 12;

    explicit Checkerboard(QWidget* parent = nullptr);

    // The grey squares for a frame of `size`, relative to its top-left corner; squares at the
    // right and bottom edge are whole.
    static QVector<QRectF> greySquares(QSizeF size);
    // Fills `rect` with the pattern, starting at its top-left corner.
    static void paint(QPainter& painter, const QRectF& rect);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace orvane
