#include "ui/GalleryDetailView.h"

#include "editor/JobGallery.h"

namespace orvane {

GalleryDetailView::GalleryDetailView(JobGallery& gallery, JobRecord record, Actions actions, QWidget* parent)
    : QWidget(parent)
    , gallery_(gallery)
    , record_(std::move(record))
    , actions_(std::move(actions)) {
    setObjectName("galleryDetailView");
}

} // namespace orvane
