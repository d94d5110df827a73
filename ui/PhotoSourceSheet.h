#pragma once

#include "editor/JobRecord.h"
#include "platform/files/Bytes.h"

#include <QDialog>
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

    static constexpr QSize fixedSize{640, 540};

    PhotoSourceSheet(JobGallery& gallery, Actions actions, QWidget* parent = nullptr);

    // The user's Pictures folder (XDG), where the photo picker opens; the home folder when the
    // desktop names none.
    static QString picturesFolder();

    // Reads the chosen photo in the background, then hands its bytes over (when it could be read)
    // and closes. The read finishes and hands over even when the sheet was closed meanwhile.
    void takePhoto(const QString& path);
    bool isLoading() const { return loading_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();
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
