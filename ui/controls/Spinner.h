#pragma once

#include <QColor>
#include <QTimer>
#include <QWidget>
#include <optional>

namespace orvane {

// An indeterminate progress indicator: a turning arc. It turns only while visible.
class Spinner : public QWidget {
    Q_OBJECT
public:
    explicit Spinner(int diameter, QWidget* parent = nullptr);
    void setColor(QColor color);
    QSize sizeHint() const override { return {diameter_, diameter_}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    int diameter_;
    int angle_ = 0;
    std::optional<QColor> color_;
    QTimer timer_;
};

} // namespace orvane
