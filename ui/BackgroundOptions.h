#pragma once

#include <QWidget>

namespace orvane {

class EditorModel;

// What replaces the removed background.
class BackgroundOptions : public QWidget {
    Q_OBJECT
public:
    explicit BackgroundOptions(EditorModel& model, QWidget* parent = nullptr);

private:
    EditorModel& model_;
};

} // namespace orvane
