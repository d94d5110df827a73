#pragma once

#include "editor/JobRecord.h"

#include <QWidget>
#include <filesystem>

namespace orvane {

// One finished job as a thumbnail, with its title and detail below when `showsCaption`.
class GalleryThumb : public QWidget {
    Q_OBJECT
public:
    GalleryThumb(JobRecord record, std::filesystem::path folder, bool showsCaption,
                 QWidget* parent = nullptr);
    const JobRecord& record() const { return record_; }

private:
    JobRecord record_;
    std::filesystem::path folder_;
    bool showsCaption_;
};

} // namespace orvane
