#include "ui/EnlargeOptions.h"

#include "editor/EditorModel.h"

namespace orvane {

EnlargeOptions::EnlargeOptions(EditorModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model) {
    setObjectName("enlargeOptions");
}

} // namespace orvane
