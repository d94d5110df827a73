#include "ui/PhotoSourceSheet.h"

#include "editor/JobGallery.h"

namespace orvane {

PhotoSourceSheet::PhotoSourceSheet(JobGallery& gallery, Actions actions, QWidget* parent)
    : QDialog(parent)
    , gallery_(gallery)
    , actions_(std::move(actions)) {
    setObjectName("photoSourceSheet");
}

} // namespace orvane
