#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>
#include <functional>

namespace orvane {

// A symbol drawn at the size of a font, optionally centred in a square frame on a rounded
// background of its own colour at low opacity (the tiles' and headers' icons).
class SymbolBadge : public QWidget {
    Q_OBJECT
public:
    using ColorSource = std::function<QColor()>;

    // `frame` 0 draws the bare symbol at its natural size.
    SymbolBadge(QString symbol, QFont font, ColorSource color, int frame = 0, qreal cornerRadius = 0,
                qreal backgroundOpacity = 0, QWidget* parent = nullptr);

    const QString& symbol() const { return symbol_; }
    void setSymbol(QString symbol);
    void setColorSource(ColorSource color);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString symbol_;
    QFont font_;
    ColorSource color_;
    int frame_;
    qreal cornerRadius_;
    qreal backgroundOpacity_;
};

} // namespace orvane
