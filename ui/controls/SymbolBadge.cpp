#include "ui/controls/SymbolBadge.h"

#include "ui/look/Painting.h"
#include "ui/look/Symbols.h"
#include "ui/look/Theme.h"

#include <QPainter>

namespace orvane {

SymbolBadge::SymbolBadge(QString symbol, QFont font, ColorSource color, int frame, qreal cornerRadius,
                         qreal backgroundOpacity, QWidget* parent)
    : QWidget(parent)
    , symbol_(std::move(symbol))
    , font_(std::move(font))
    , color_(std::move(color))
    , frame_(frame)
    , cornerRadius_(cornerRadius)
    , backgroundOpacity_(backgroundOpacity) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SymbolBadge::setSymbol(QString symbol) {
    if (symbol_ != symbol) {
        symbol_ = std::move(symbol);
        update();
    }
}

void SymbolBadge::setColorSource(ColorSource color) {
    color_ = std::move(color);
    update();
}

QSize SymbolBadge::sizeHint() const {
    const int side = frame_ > 0 ? frame_ : Symbols::sizeFor(font_);
    return {side, side};
}

void SymbolBadge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor color = color_();
    if (backgroundOpacity_ > 0) {
        Painting::fillRoundedRect(painter, rect(), cornerRadius_,
                                  Theme::withOpacity(color, backgroundOpacity_));
    }
    const int side = Symbols::sizeFor(font_);
    const QPixmap symbol = Symbols::pixmap(symbol_, side, color, devicePixelRatioF());
    const QPoint origin((width() - side) / 2, (height() - side) / 2);
    painter.drawPixmap(origin, symbol);
}

} // namespace orvane
