#pragma once

#include <QWidget>

namespace orvane {

class EditorModel;

// How big the enlargement will be, what that means in pixels, and the network's style.
class EnlargeOptions : public QWidget {
    Q_OBJECT
public:
    explicit EnlargeOptions(EditorModel& model, QWidget* parent = nullptr);

private:
    EditorModel& model_;
};

} // namespace orvane
