#include "ui/EnhanceOptionsView.h"

#include "editor/EditorModel.h"

namespace orvane {

EnhanceOptionsView::EnhanceOptionsView(EditorModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model) {
    setObjectName("enhanceOptions");
}

} // namespace orvane
