#pragma once

#include "editor/JobPreset.h"
#include "editor/JobRecord.h"

#include <QWidget>
#include <functional>

namespace orvane {

class EditorModel;
class JobGallery;

// The first screen: every job preset as a tile, the photo that is ready, the newest finished jobs,
// and the ways into the full editor and the about sheet.
class HomeView : public QWidget {
    Q_OBJECT
public:
    struct Actions {
        std::function<void(const JobPreset&)> openJob;
        std::function<void()> openEditor;
        std::function<void()> openGallery;
        std::function<void(const JobRecord&)> openRecord;
    };

    HomeView(EditorModel& model, JobGallery& gallery, Actions actions, QWidget* parent = nullptr);

private:
    EditorModel& model_;
    JobGallery& gallery_;
    Actions actions_;
};

} // namespace orvane
