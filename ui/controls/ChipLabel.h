#pragma once

#include <QFont>
#include <QPainter>
#include <QRectF>
#include <QSize>
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

} // namespace orvane
