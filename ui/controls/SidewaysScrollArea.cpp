#include "ui/controls/SidewaysScrollArea.h"

#include <QApplication>
#include <QScrollBar>
#include <QWheelEvent>
#include <cstdlib>

namespace orvane {

SidewaysScrollArea::SidewaysScrollArea(QWidget* parent)
    : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidgetResizable(true);
    // Tab goes through the cells; the row itself draws no focus, so it takes no stop of its own.
    setFocusPolicy(Qt::ClickFocus);
}

void SidewaysScrollArea::wheelEvent(QWheelEvent* event) {
    // Whichever way the wheel or touchpad moved most, as a sideways distance in pixels.
    const auto sideways = [](QPoint delta) {
        return std::abs(delta.x()) >= std::abs(delta.y()) ? delta.x() : delta.y();
    };
    QScrollBar* bar = horizontalScrollBar();
    int pixels = sideways(event->pixelDelta());
    if (pixels == 0) {
        // One notch of a wheel is 120; it scrolls as many steps as a list scrolls lines.
        pixels = sideways(event->angleDelta()) * QApplication::wheelScrollLines() * bar->singleStep() / 120;
    }
    const int before = bar->value();
    bar->setValue(before - pixels);
    if (bar->value() == before) {
        event->ignore();
    } else {
        event->accept();
    }
}

} // namespace orvane
