#pragma once

#include "editor/JobRecord.h"

#include <QWidget>
#include <filesystem>
#include <functional>

namespace orvane {

class JobGallery;

// One finished job: its result beside its before image, and what can be done with it.
class GalleryDetailView : public QWidget {
    Q_OBJECT
public:
    struct Actions {
        std::function<void(const std::filesystem::path&)> useInNewJob;
        std::function<void()> onDeleted;
        std::function<void(const QString&)> onSaved;
    };

    GalleryDetailView(JobGallery& gallery, JobRecord record, Actions actions, QWidget* parent = nullptr);

private:
    JobGallery& gallery_;
    JobRecord record_;
    Actions actions_;
};

} // namespace orvane
