#include "ui/ToolPanel.h"

#include "editor/EditorModel.h"

namespace orvane {

ToolPanel::ToolPanel(EditorModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model) {
    setObjectName("toolPanel");
}

} // namespace orvane
