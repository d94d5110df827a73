#include "ui/BackgroundOptions.h"

#include "editor/EditorModel.h"

namespace orvane {

BackgroundOptions::BackgroundOptions(EditorModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model) {
    setObjectName("backgroundOptions");
}

} // namespace orvane
