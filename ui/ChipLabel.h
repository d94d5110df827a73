#pragma once

#include <QAbstractButton>
#include <QMenu>
#include <QPointer>
#include <QString>
#include <optional>

namespace orvane {

// The look of a chip: an optional symbol and a one-line title on a capsule, filled with the accent
// colour when selected. Drawn by `Chip` and by the chip-shaped menus.
class ChipLabel {
public:
    ChipLabel(QString title, std::optional<QString> symbol, bool selected)
        : title(std::move(title))
        , symbol(std::move(symbol))
        , selected(selected) {}

    QSize sizeHint(const QFont& font) const;
    void paint(QPainter& painter, const QRectF& rect, const QFont& font, qreal devicePixelRatio,
               bool pressed = false, bool enabled = true) const;
    // The font chips use.
    static QFont font();

    QString title;
    std::optional<QString> symbol;
    bool selected;
};

// A selectable capsule button. With a menu it is a menu's label: a click opens the menu below it.
class Chip : public QAbstractButton {
    Q_OBJECT
public:
    Chip(const QString& title, std::optional<QString> symbol = std::nullopt, QWidget* parent = nullptr);

    const ChipLabel& label() const { return label_; }
    bool isSelected() const { return label_.selected; }
    void setSelected(bool selected);
    void setTitle(const QString& title);
    // The chip opens `menu` instead of emitting `clicked`; the chip does not own it.
    void setMenu(QMenu* menu);
    QMenu* menu() const { return menu_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void showMenu();
    ChipLabel label_;
    QPointer<QMenu> menu_;
};

} // namespace orvane
