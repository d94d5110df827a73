#pragma once

#include <QWidget>

namespace orvane {

class EditorModel;

// The side column of the job screen: the preset's header or the tool tabs, the current tool's options, and
// the run bar.
class ToolPanel : public QWidget {
    Q_OBJECT
public:
    explicit ToolPanel(EditorModel& model, QWidget* parent = nullptr);

private:
    EditorModel& model_;
};

} // namespace orvane
