#include "ui/controls/Divider.h"

#include "ui/look/Theme.h"

#include <QPainter>

namespace orvane {

Divider::Divider(QWidget* parent)
    : QWidget(parent) {
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Divider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::secondaryFill(0.35));
}

} // namespace orvane
