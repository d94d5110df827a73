#pragma once

#include "editor/JobRecord.h"
#include "platform/files/Bytes.h"
#include "ui/sheets/SheetDialog.h"

#include <filesystem>
#include <functional>

class QLabel;
class QScrollArea;

namespace orvane {

class GalleryGrid;
class JobGallery;
class JobListModel;
class Spinner;

// Where the next photo comes from: a file, the Pictures folder, or a finished job. It closes
// itself after handing a choice over; a panel cancelled on the way leaves it open.
class PhotoSourceSheet : public SheetDialog {
    Q_OBJECT
public:
    struct Actions {
        std::function<void(const std::filesystem::path&)> onURL;
        std::function<void(SharedBytes)> onData;
        std::function<void(const JobRecord&)> onRecord;
    };

    // Its width, and its height at the most.
    static constexpr QSize largestSize{640, 540};

    PhotoSourceSheet(JobGallery& gallery, Actions actions, QWidget* parent = nullptr);

    // Reads the chosen photo in the background, then hands its bytes over (when it could be read)
    // and closes. The read finishes and hands over even when the sheet was closed meanwhile.
    void takePhoto(const QString& path);
    bool isLoading() const { return loading_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    // With its whole grid of jobs, which its scroll area alone would not ask for.
    int contentHeight(int width) const override;

private:
    void refresh();
    void openImporter();
    void openPicker();
    void setLoading(bool loading);

    JobGallery& gallery_;
    Actions actions_;
    JobListModel* jobs_;
    QLabel* count_;
    QScrollArea* jobsArea_;
    GalleryGrid* grid_;
    QWidget* emptyBox_;
    Spinner* spinner_;
    bool loading_ = false;
};

} // namespace orvane
