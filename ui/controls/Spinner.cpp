#include "ui/controls/Spinner.h"

#include "ui/look/Theme.h"

#include <QPainter>

namespace orvane {

Spinner::Spinner(int diameter, QWidget* parent)
    : QWidget(parent)
    , diameter_(diameter) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    timer_.setInterval(16);
    connect(&timer_, &QTimer::timeout, this, [this] {
        angle_ = (angle_ + 6) % 360;
        update();
    });
}

void Spinner::setColor(QColor color) {
    color_ = color;
    update();
}

void Spinner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal thickness = std::max(2.0, diameter_ / 9.0);
    const QRectF circle = QRectF(rect()).adjusted(thickness, thickness, -thickness, -thickness);
    const QColor color = color_.value_or(Theme::secondary());
    painter.setPen(QPen(Theme::withOpacity(color, 0.2), thickness));
    painter.drawEllipse(circle);
    painter.setPen(QPen(color, thickness, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(circle, -angle_ * 16, 100 * 16);
}

void Spinner::showEvent(QShowEvent* event) {
    timer_.start();
    QWidget::showEvent(event);
}

void Spinner::hideEvent(QHideEvent* event) {
    timer_.stop();
    QWidget::hideEvent(event);
}

} // namespace orvane
