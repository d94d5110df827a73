#include "ui/GalleryView.h"

#include "editor/JobGallery.h"

namespace orvane {

GalleryView::GalleryView(JobGallery& gallery, std::function<void(const JobRecord&)> openRecord,
                         QWidget* parent)
    : QWidget(parent)
    , gallery_(gallery)
    , openRecord_(std::move(openRecord)) {
    setObjectName("galleryView");
}

} // namespace orvane
