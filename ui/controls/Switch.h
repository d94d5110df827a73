#pragma once

#include <QAbstractButton>

namespace orvane {

// A small on/off switch: a capsule track with a round knob, accent-coloured when on.
class Switch : public QAbstractButton {
    Q_OBJECT
public:
    explicit Switch(QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace orvane
