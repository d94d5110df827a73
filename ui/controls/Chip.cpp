#include "ui/controls/Chip.h"

#include "ui/controls/FocusRing.h"

#include <QPainter>

namespace orvane {

Chip::Chip(const QString& title, std::optional<QString> symbol, QWidget* parent)
    : QAbstractButton(parent)
    , label_(title, std::move(symbol), false) {
    setText(title);
    setFont(ChipLabel::font());
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (menu_) {
            showMenu();
        }
    });
}

void Chip::setSelected(bool selected) {
    if (label_.selected != selected) {
        label_.selected = selected;
        setAccessibleDescription(selected ? QStringLiteral("selected") : QString());
        update();
    }
}

void Chip::setTitle(const QString& title) {
    if (label_.title != title) {
        label_.title = title;
        setText(title);
        updateGeometry();
        update();
    }
}

void Chip::setMenu(QMenu* menu) {
    menu_ = menu;
}

QSize Chip::sizeHint() const {
    return label_.sizeHint(font());
}

void Chip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    label_.paint(painter, QRectF(rect()), font(), devicePixelRatioF(), isDown(), isEnabled());
    paintFocusRingIfShown(*this, painter, QRectF(rect()), height() / 2.0);
}

void Chip::showMenu() {
    menu_->popup(mapToGlobal(QPoint(0, height() + 2)));
}

} // namespace orvane
