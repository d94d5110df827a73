#include "ui/controls/RoundedPanel.h"

#include "ui/look/Painting.h"

#include <QPainter>

namespace orvane {

RoundedPanel::RoundedPanel(std::function<QColor()> fill, qreal radius, QWidget* parent)
    : QWidget(parent)
    , fill_(std::move(fill))
    , radius_(radius) {}

void RoundedPanel::setFill(std::function<QColor()> fill) {
    fill_ = std::move(fill);
    update();
}

void RoundedPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Painting::fillRoundedRect(painter, rect(), radius_, fill_());
}

} // namespace orvane
