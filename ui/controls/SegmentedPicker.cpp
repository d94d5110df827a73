#include "ui/controls/SegmentedPicker.h"

#include "ui/controls/FocusRing.h"
#include "ui/look/Painting.h"
#include "ui/look/Theme.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace orvane {
namespace {

constexpr int inset = 2;
constexpr int segmentPadding = 10;
constexpr qreal radius = 7;

QColor raisedFill() {
    return Theme::isDark() ? QColor(99, 99, 102) : QColor(Qt::white);
}

} // namespace

SegmentedPicker::SegmentedPicker(QStringList segments, QWidget* parent)
    : QWidget(parent)
    , segments_(std::move(segments)) {
    setFont(Theme::font(Theme::TextStyle::callout, QFont::Medium));
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SegmentedPicker::setCurrentIndex(int index) {
    if (index != current_ && index >= 0 && index < segments_.size()) {
        current_ = index;
        update();
    }
}

QRect SegmentedPicker::segmentRect(int index) const {
    if (segments_.isEmpty()) {
        return {};
    }
    const QRect inner = rect().adjusted(inset, inset, -inset, -inset);
    const int count = static_cast<int>(segments_.size());
    const int left = inner.left() + inner.width() * index / count;
    const int right = inner.left() + inner.width() * (index + 1) / count;
    return QRect(left, inner.top(), right - left, inner.height());
}

QSize SegmentedPicker::sizeHint() const {
    const QFontMetrics metrics(font());
    int widest = 0;
    for (const QString& segment : segments_) {
        widest = std::max(widest, metrics.horizontalAdvance(segment));
    }
    const int count = static_cast<int>(segments_.size());
    return {count * (widest + 2 * segmentPadding) + 2 * inset, metrics.height() + 8 + 2 * inset};
}

QSize SegmentedPicker::minimumSizeHint() const {
    const QFontMetrics metrics(font());
    return {static_cast<int>(segments_.size()) * 2 * segmentPadding, metrics.height() + 8 + 2 * inset};
}

void SegmentedPicker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal opacity = isEnabled() ? 1 : 0.45;
    Painting::fillRoundedRect(painter, QRectF(rect()), radius, Theme::secondaryFill(0.14 * opacity));
    painter.setFont(font());
    const QFontMetrics metrics(font());
    for (int index = 0; index < segments_.size(); ++index) {
        const QRect segment = segmentRect(index);
        if (index == current_) {
            const QRectF raised = QRectF(segment);
            Painting::fillRoundedRect(painter, raised.translated(0, 0.5), radius - inset,
                                      QColor(0, 0, 0, 28));
            Painting::fillRoundedRect(painter, raised, radius - inset,
                                      Theme::withOpacity(raisedFill(), opacity));
        } else if (index > 0 && index != current_ + 1) {
            // Separators only between two unselected segments.
            painter.setPen(Theme::secondaryFill(0.3));
            const int x = segment.left();
            painter.drawLine(QPointF(x, segment.top() + 5), QPointF(x, segment.bottom() - 4));
        }
        if (index == pressed_ && index != current_) {
            Painting::fillRoundedRect(painter, QRectF(segment), radius - inset, Theme::secondaryFill(0.12));
        }
        painter.setPen(Theme::withOpacity(Theme::primary(), opacity));
        const QRect text = segment.adjusted(4, 0, -4, 0);
        painter.drawText(text, Qt::AlignCenter | Qt::TextSingleLine,
                         metrics.elidedText(segments_[index], Qt::ElideRight, text.width()));
    }
    paintFocusRingIfShown(*this, painter, QRectF(rect()), radius);
}

int SegmentedPicker::segmentAt(const QPoint& point) const {
    for (int index = 0; index < segments_.size(); ++index) {
        if (segmentRect(index).contains(point)) {
            return index;
        }
    }
    return -1;
}

void SegmentedPicker::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressed_ = segmentAt(event->position().toPoint());
        update();
    }
}

void SegmentedPicker::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const int released = segmentAt(event->position().toPoint());
    const int pressed = pressed_;
    pressed_ = -1;
    update();
    if (released >= 0 && released == pressed) {
        choose(released);
    }
}

void SegmentedPicker::keyPressEvent(QKeyEvent* event) {
    const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
    switch (event->key()) {
    case Qt::Key_Left:
        choose(current_ + (rightToLeft ? 1 : -1));
        break;
    case Qt::Key_Right:
        choose(current_ + (rightToLeft ? -1 : 1));
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void SegmentedPicker::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::PaletteChange) {
        update();
    }
    QWidget::changeEvent(event);
}

void SegmentedPicker::choose(int index) {
    if (index < 0 || index >= segments_.size() || index == current_) {
        return;
    }
    current_ = index;
    update();
    emit activated(index);
}

} // namespace orvane
