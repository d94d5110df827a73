#pragma once

#include <QColor>
#include <QWidget>
#include <functional>

namespace orvane {

// A plain container drawn as a rounded rectangle of one colour, asked for at every paint so that
// it follows the palette.
class RoundedPanel : public QWidget {
    Q_OBJECT
public:
    RoundedPanel(std::function<QColor()> fill, qreal radius, QWidget* parent = nullptr);
    void setFill(std::function<QColor()> fill);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<QColor()> fill_;
    qreal radius_;
};

} // namespace orvane
