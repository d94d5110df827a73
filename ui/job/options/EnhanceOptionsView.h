#pragma once

#include <QWidget>
#include <vector>

namespace orvane {

class EditorModel;
class SliderRow;
class ToggleRowPublic;

// The four enhancement steps and their strength. The strength acts on noise reduction and
// sharpening only, so it is disabled while both are off.
class EnhanceOptionsView : public QWidget {
    Q_OBJECT
public:
    explicit EnhanceOptionsView(EditorModel& model, QWidget* parent = nullptr);

private:
    void refresh();

    EditorModel& model_;
    std::vector<ToggleRowPublic*> rows_;
    SliderRow* strength_;
};

} // namespace orvane
