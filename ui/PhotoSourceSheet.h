#pragma once

#include "editor/JobRecord.h"
#include "platform/Bytes.h"

#include <QDialog>
#include <filesystem>
#include <functional>

namespace orvane {

class JobGallery;

// Where the next photo comes from: a file, the Pictures folder, or a finished job. It closes
// itself after handing a choice over.
class PhotoSourceSheet : public QDialog {
    Q_OBJECT
public:
    struct Actions {
        std::function<void(const std::filesystem::path&)> onURL;
        std::function<void(SharedBytes)> onData;
        std::function<void(const JobRecord&)> onRecord;
        // Opens the window's file panel; the sheet closes first.
        std::function<void()> showImporter;
    };

    PhotoSourceSheet(JobGallery& gallery, Actions actions, QWidget* parent = nullptr);

private:
    JobGallery& gallery_;
    Actions actions_;
};

} // namespace orvane
