#include "ui/GalleryThumb.h"

namespace orvane {

GalleryThumb::GalleryThumb(JobRecord record, std::filesystem::path folder, bool showsCaption, QWidget* parent)
    : QWidget(parent)
    , record_(std::move(record))
    , folder_(std::move(folder))
    , showsCaption_(showsCaption) {}

} // namespace orvane
