#pragma once

#include <QWidget>

namespace orvane {

class EditorModel;

// The four enhancement steps and their strength.
class EnhanceOptionsView : public QWidget {
    Q_OBJECT
public:
    explicit EnhanceOptionsView(EditorModel& model, QWidget* parent = nullptr);

private:
    EditorModel& model_;
};

} // namespace orvane
