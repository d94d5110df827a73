#pragma once

#include "editor/JobRecord.h"

#include <QWidget>
#include <functional>

namespace orvane {

class JobGallery;

// The newest finished jobs as a row of thumbnails; choosing one hands its record on.
class RecentJobsStrip : public QWidget {
    Q_OBJECT
public:
    RecentJobsStrip(JobGallery& gallery, std::function<void(const JobRecord&)> onRecord,
                    QWidget* parent = nullptr);

private:
    JobGallery& gallery_;
    std::function<void(const JobRecord&)> onRecord_;
};

} // namespace orvane
