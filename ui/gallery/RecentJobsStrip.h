#pragma once

#include "editor/JobRecord.h"

#include <QWidget>
#include <functional>

class QHBoxLayout;
class QVBoxLayout;

namespace orvane {

class GalleryThumb;
class JobGallery;
class JobListModel;

// The newest finished jobs as a row of thumbnails; choosing one hands its record on. Takes no
// room while there is no job.
class RecentJobsStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr int maximumJobs = 10;
    static constexpr int cellWidth = 104;

    RecentJobsStrip(JobGallery& gallery, std::function<void(const JobRecord&)> onRecord,
                    QWidget* parent = nullptr);

    // Room above the strip that goes away with it when there is no job.
    void setTopMargin(int margin);

    // The jobs shown, in order.
    QList<GalleryThumb*> thumbs() const;

    // As wide as its row of jobs, up to 640.
    QSize sizeHint() const override;

private:
    void reload();

    JobGallery& gallery_;
    std::function<void(const JobRecord&)> onRecord_;
    JobListModel* jobs_;
    QWidget* row_;
    QHBoxLayout* cells_;
    QVBoxLayout* column_;
};

} // namespace orvane
