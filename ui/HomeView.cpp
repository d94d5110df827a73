#include "ui/HomeView.h"

#include "editor/EditorModel.h"
#include "editor/JobGallery.h"

namespace orvane {

HomeView::HomeView(EditorModel& model, JobGallery& gallery, Actions actions, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , gallery_(gallery)
    , actions_(std::move(actions)) {
    setObjectName("homeView");
}

} // namespace orvane
