#pragma once

#include <QWidget>

class QSlider;

namespace orvane {

class TextLabel;

// A title in the callout font beside a slider over a closed range of real values, optionally with
// the value as a whole percentage after it ("85").
class SliderRow : public QWidget {
    Q_OBJECT
public:
    SliderRow(const QString& title, double minimum, double maximum, bool showsValue,
              QWidget* parent = nullptr);

    double value() const { return value_; }
    // Shows `value` without emitting `valueChanged`, for showing the model's value.
    void setValue(double value);
    QSlider* slider() const { return slider_; }

    // The value as the row writes it: hundredths, truncated ("%lld" of value × 100).
    static QString percentText(double value);

signals:
    // Only for the user's changes.
    void valueChanged(double value);

protected:
    void changeEvent(QEvent* event) override;

private:
    double minimum_;
    double maximum_;
    double value_;
    QSlider* slider_;
    TextLabel* title_;
    TextLabel* valueLabel_ = nullptr;
};

} // namespace orvane
