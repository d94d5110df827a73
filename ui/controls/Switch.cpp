#include "ui/controls/Switch.h"

#include "ui/controls/FocusRing.h"
#include "ui/look/Painting.h"
#include "ui/look/Theme.h"

#include <QPainter>

namespace orvane {
namespace {

// Room around the track for the focus ring.
constexpr int ringMargin = 4;

} // namespace

Switch::Switch(QWidget* parent)
    : QAbstractButton(parent) {
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize Switch::sizeHint() const {
    return QSize(32, 18) + QSize(2 * ringMargin, 2 * ringMargin);
}

void Switch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintFocusRingIfShown(*this, painter, QRectF(rect()), height() / 2.0);
    const QRectF track =
        QRectF(rect()).adjusted(ringMargin + 0.5, ringMargin + 0.5, -ringMargin - 0.5, -ringMargin - 0.5);
    const qreal opacity = isEnabled() ? 1 : 0.45;
    Painting::fillCapsule(
        painter, track,
        Theme::withOpacity(isChecked() ? Theme::accent() : Theme::secondaryFill(0.35), opacity));
    const qreal inset = 2;
    const qreal knob = track.height() - 2 * inset;
    const qreal x = isChecked() ? track.right() - inset - knob : track.left() + inset;
    Painting::fillShadowedEllipse(painter, QRectF(x, track.top() + inset, knob, knob),
                                  Theme::withOpacity(Qt::white, isEnabled() ? 1 : 0.8), QColor(0, 0, 0, 40),
                                  1);
}

} // namespace orvane
