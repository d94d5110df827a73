#pragma once

#include <QScrollArea>

namespace orvane {

// A row that scrolls sideways, without scroll bars. A mouse wheel, which only turns up and down,
// scrolls it sideways too; once the row can go no further that way, the turn scrolls whatever
// holds it, so that the page never gets stuck under the pointer.
class SidewaysScrollArea : public QScrollArea {
    Q_OBJECT
public:
    explicit SidewaysScrollArea(QWidget* parent = nullptr);

protected:
    void wheelEvent(QWheelEvent* event) override;
};

} // namespace orvane
