#pragma once

#include "editor/JobRecord.h"

#include <QWidget>
#include <functional>

namespace orvane {

class JobGallery;

// Every finished job, newest first.
class GalleryView : public QWidget {
    Q_OBJECT
public:
    GalleryView(JobGallery& gallery, std::function<void(const JobRecord&)> openRecord,
                QWidget* parent = nullptr);

private:
    JobGallery& gallery_;
    std::function<void(const JobRecord&)> openRecord_;
};

} // namespace orvane
