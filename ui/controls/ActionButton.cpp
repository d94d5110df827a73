#include "ui/controls/ActionButton.h"

#include "ui/controls/FocusRing.h"
#include "ui/look/Painting.h"
#include "ui/look/Symbols.h"
#include "ui/look/Theme.h"

#include <QFontMetrics>
#include <QPainter>

namespace orvane {
namespace {

constexpr qreal symbolSpacing = 6;
// Around the title of a look without a frame: room for the focus ring, drawn under the title, and
// little more, so that the title stays in line with the text around it.
constexpr qreal unframedPadding = 3;

qreal verticalPadding(ActionButton::ControlSize size) {
    switch (size) {
    case ActionButton::ControlSize::small:
        return 3;
    case ActionButton::ControlSize::regular:
        return 5;
    case ActionButton::ControlSize::large:
        return 8;
    }
    return 5;
}

} // namespace

ActionButton::ActionButton(const QString& title, std::optional<QString> symbol, Look look, ControlSize size,
                           QWidget* parent)
    : QPushButton(title, parent)
    , look_(look)
    , size_(size)
    , symbol_(std::move(symbol)) {
    setCursor(Qt::PointingHandCursor);
    setFlat(look == Look::borderless || look == Look::plain);
    if (size == ControlSize::large) {
        setFont(Theme::font(Theme::TextStyle::body, QFont::Medium));
    }
}

void ActionButton::setSymbol(std::optional<QString> symbol) {
    symbol_ = std::move(symbol);
    updateGeometry();
    update();
}

void ActionButton::setTitle(const QString& title) {
    setText(title);
    updateGeometry();
}

void ActionButton::setDestructive(bool destructive) {
    destructive_ = destructive;
    update();
}

int ActionButton::symbolSide() const {
    return symbol_ ? Symbols::sizeFor(font()) : 0;
}

QSize ActionButton::sizeHint() const {
    const QFontMetricsF metrics(font());
    const bool framed = look_ == Look::prominent || look_ == Look::bordered;
    qreal width = metrics.horizontalAdvance(text()) + (framed ? 24 : 2 * unframedPadding);
    if (symbol_) {
        width += symbolSide() + (text().isEmpty() ? 0 : symbolSpacing);
    }
    const qreal height = std::max<qreal>(metrics.height(), symbolSide()) + 2 * verticalPadding(size_);
    return QSizeF(std::ceil(width), std::ceil(height)).toSize().expandedTo(minimumSize());
}

QColor ActionButton::foreground() const {
    QColor color;
    if (destructive_) {
        color = Theme::isDark() ? QColor(255, 69, 58) : QColor(255, 59, 48);
    } else {
        switch (look_) {
        case Look::prominent:
            color = Qt::white;
            break;
        case Look::bordered:
            color = Theme::primary();
            break;
        case Look::borderless:
            color = Theme::accent();
            break;
        case Look::plain:
            color = Theme::primary();
            break;
        }
    }
    return Theme::withOpacity(color, isEnabled() ? (isDown() ? 0.7 : 1) : 0.4);
}

void ActionButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = size_ == ControlSize::large ? 8 : 6;
    if (look_ == Look::prominent) {
        QColor fill = destructive_ ? QColor(255, 59, 48) : Theme::accent();
        if (isDown()) {
            fill = fill.darker(115);
        }
        Painting::fillRoundedRect(painter, frame, radius, Theme::withOpacity(fill, isEnabled() ? 1 : 0.45));
    } else if (look_ == Look::bordered) {
        Painting::fillRoundedRect(painter, frame, radius, Theme::secondaryFill(isDown() ? 0.28 : 0.16));
    }
    paintFocusRingIfShown(*this, painter, QRectF(rect()), radius);

    const QColor color = foreground();
    const QFontMetricsF metrics(font());
    const int side = symbolSide();
    const qreal gap = symbol_ && !text().isEmpty() ? symbolSpacing : 0;
    const qreal contentWidth = metrics.horizontalAdvance(text()) + side + gap;
    const bool framed = look_ == Look::prominent || look_ == Look::bordered;
    qreal x = stretches_ ? (width() - contentWidth) / 2 : (framed ? 12 : unframedPadding);
    x = std::max<qreal>(x, framed ? 6 : unframedPadding);
    if (symbol_) {
        painter.drawPixmap(QPointF(x, (height() - side) / 2.0),
                           Symbols::pixmap(*symbol_, side, color, devicePixelRatioF()));
        x += side + gap;
    }
    painter.setPen(color);
    painter.setFont(font());
    const QRectF textRect(x, 0, width() - x, height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     metrics.elidedText(text(), Qt::ElideRight, textRect.width()));
}

} // namespace orvane
