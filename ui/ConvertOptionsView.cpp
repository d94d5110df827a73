#include "ui/ConvertOptionsView.h"

#include "editor/EditorModel.h"

namespace orvane {

ConvertOptionsView::ConvertOptionsView(EditorModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model) {
    setObjectName("convertOptions");
}

} // namespace orvane
