#include "ui/controls/TextLabel.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>

namespace orvane {

TextLabel::TextLabel(const QString& text, Theme::TextStyle style, QFont::Weight weight, ColorSource color,
                     QWidget* parent)
    : QLabel(text, parent)
    , color_(std::move(color)) {
    setFont(Theme::font(style, weight));
    setTextFormat(Qt::PlainText);
    // Qt draws a label in the colour of its foreground role, which it otherwise derives from the
    // nearest background role above it: Text inside panes on the Base colour, ButtonText inside
    // buttons such as the job tiles. Naming the role keeps the colour this label is given.
    setForegroundRole(QPalette::WindowText);
    applyColor();
}

TextLabel* TextLabel::secondary(const QString& text, Theme::TextStyle style, QWidget* parent) {
    return new TextLabel(text, style, QFont::Normal, Theme::secondary, parent);
}

void TextLabel::setColorSource(ColorSource color) {
    color_ = std::move(color);
    applyColor();
}

void TextLabel::setElided(bool elided) {
    elided_ = elided;
    updateGeometry();
    update();
}

QString TextLabel::shownText() const {
    if (!elided_ || wordWrap()) {
        return text();
    }
    return fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width());
}

QSize TextLabel::minimumSizeHint() const {
    if (!elided_ || wordWrap()) {
        return QLabel::minimumSizeHint();
    }
    // Room for the ellipsis alone; the rest of the text gives way.
    const QSize natural = QLabel::minimumSizeHint();
    return {fontMetrics().horizontalAdvance(QStringLiteral("…")), natural.height()};
}

void TextLabel::paintEvent(QPaintEvent* event) {
    if (!elided_ || wordWrap()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const Qt::Alignment align = QStyle::visualAlignment(layoutDirection(), alignment());
    style()->drawItemText(&painter, contentsRect(), int(align), palette(), isEnabled(), shownText(),
                          foregroundRole());
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
