#include "ui/TextLabel.h"

#include <QEvent>

namespace orvane {

TextLabel::TextLabel(const QString& text, Theme::TextStyle style, QFont::Weight weight, ColorSource color,
                     QWidget* parent)
    : QLabel(text, parent)
    , color_(std::move(color)) {
    setFont(Theme::font(style, weight));
    setTextFormat(Qt::PlainText);
    applyColor();
}

TextLabel* TextLabel::secondary(const QString& text, Theme::TextStyle style, QWidget* parent) {
    return new TextLabel(text, style, QFont::Normal, Theme::secondary, parent);
}

void TextLabel::setColorSource(ColorSource color) {
    color_ = std::move(color);
    applyColor();
}

void TextLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ApplicationPaletteChange) {
        applyColor();
    }
    QLabel::changeEvent(event);
}

void TextLabel::applyColor() {
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, color_());
    setPalette(palette);
}

} // namespace orvane
