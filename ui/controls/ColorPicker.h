#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QWidget>

namespace orvane {

// A title beside a colour swatch; the swatch opens a colour panel (window-modal, no opacity) whose
// chosen colour becomes the picker's.
class ColorPicker : public QWidget {
    Q_OBJECT
public:
    explicit ColorPicker(const QString& title, QWidget* parent = nullptr);

    const QColor& color() const { return color_; }
    // Shows `color` without emitting `colorChosen`, for showing the model's value.
    void setColor(const QColor& color);
    QAbstractButton* swatch() const { return swatch_; }

signals:
    // Only for the user's choices.
    void colorChosen(const QColor& color);

private:
    void openPanel();
    QColor color_;
    QAbstractButton* swatch_;
};

} // namespace orvane
