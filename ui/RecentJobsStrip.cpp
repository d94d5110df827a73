#include "ui/RecentJobsStrip.h"

#include "editor/JobGallery.h"

namespace orvane {

RecentJobsStrip::RecentJobsStrip(JobGallery& gallery, std::function<void(const JobRecord&)> onRecord,
                                 QWidget* parent)
    : QWidget(parent)
    , gallery_(gallery)
    , onRecord_(std::move(onRecord)) {
    setObjectName("recentJobsStrip");
}

} // namespace orvane
