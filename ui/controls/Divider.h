#pragma once

#include <QWidget>

namespace orvane {

// A hairline across the available width, in the palette's separator tone.
class Divider : public QWidget {
    Q_OBJECT
public:
    explicit Divider(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace orvane
