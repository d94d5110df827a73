#include "ui/controls/ChipLabel.h"

#include "ui/look/Painting.h"
#include "ui/look/Symbols.h"
#include "ui/look/Theme.h"

#include <QFontMetrics>
#include <QPainter>

namespace orvane {
namespace {

constexpr qreal horizontalPadding = 12;
constexpr qreal verticalPadding = 7;
constexpr qreal symbolSpacing = 4;

QFont symbolFont() {
    return Theme::font(Theme::TextStyle::caption);
}

} // namespace

QFont ChipLabel::font() {
    return Theme::font(Theme::TextStyle::callout, QFont::Medium);
}

QSize ChipLabel::sizeHint(const QFont& font) const {
    const QFontMetricsF metrics(font);
    qreal width = metrics.horizontalAdvance(title) + 2 * horizontalPadding;
    if (symbol) {
        width += Symbols::sizeFor(symbolFont()) + symbolSpacing;
    }
    return QSizeF(width, metrics.height() + 2 * verticalPadding).toSize() + QSize(1, 0);
}

void ChipLabel::paint(QPainter& painter, const QRectF& rect, const QFont& font, qreal devicePixelRatio,
                      bool pressed, bool enabled) const {
    QColor fill = selected ? Theme::accent() : Theme::secondaryFill(0.12);
    if (pressed) {
        fill = fill.darker(115);
    }
    const QColor foreground =
        Theme::withOpacity(selected ? QColor(Qt::white) : Theme::primary(), enabled ? 1 : 0.4);
    Painting::fillCapsule(painter, rect, fill);

    const QFontMetricsF metrics(font);
    const int symbolSide = symbol ? Symbols::sizeFor(symbolFont()) : 0;
    const qreal contentWidth = metrics.horizontalAdvance(title) + (symbol ? symbolSide + symbolSpacing : 0);
    qreal x = rect.center().x() - contentWidth / 2;
    if (symbol) {
        const QPixmap pixmap = Symbols::pixmap(*symbol, symbolSide, foreground, devicePixelRatio);
        painter.drawPixmap(QPointF(x, rect.center().y() - symbolSide / 2.0), pixmap);
        x += symbolSide + symbolSpacing;
    }
    painter.save();
    painter.setFont(font);
    painter.setPen(foreground);
    const QRectF textRect(x, rect.top(), rect.right() - x - horizontalPadding + 1, rect.height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     metrics.elidedText(title, Qt::ElideRight, textRect.width()));
    painter.restore();
}

} // namespace orvane
