#pragma once

#include "editor/JobRecord.h"
#include "platform/image/Bitmap.h"

#include <QPointer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <optional>

class QLabel;
class QMessageBox;

namespace orvane {

class ActionButton;
class CompareView;
class JobGallery;
class Spinner;

// One finished job: its result beside its before image, and what can be done with it.
class GalleryDetailView : public QWidget {
    Q_OBJECT
public:
    struct Actions {
        std::function<void(const std::filesystem::path&)> useInNewJob;
        std::function<void()> onDeleted;
        std::function<void(const QString&)> onSaved;
    };

    // The result is shown from a reduction of at most this many pixels on its long edge.
    static constexpr int previewLongEdge = 4096;

    GalleryDetailView(JobGallery& gallery, JobRecord record, Actions actions, QWidget* parent = nullptr);

    std::filesystem::path resultFile() const;
    std::filesystem::path beforeFile() const;

    // Both images have been read (whether or not they could be).
    bool hasLoaded() const { return loaded_; }
    const std::optional<Bitmap>& before() const { return before_; }
    const std::optional<Bitmap>& after() const { return after_; }

    // The confirmation whose "Delete" removes the job and hands back through `onDeleted`.
    void confirmDelete();
    // The save panel, whose choice gets a copy of the result file.
    void chooseSaveDestination();
    // Copies the result file to `destination`, replacing what is there only once the copy is whole,
    // then tells `onSaved`. False when the copy failed; nothing is shown then.
    bool saveCopy(const std::filesystem::path& destination);

signals:
    // Both images have been read.
    void loaded();

private:
    QWidget* makeBottomBar();
    void startLoading();
    void showImages();

    JobGallery& gallery_;
    JobRecord record_;
    Actions actions_;
    std::optional<Bitmap> before_;
    std::optional<Bitmap> after_;
    int pendingLoads_ = 0;
    bool loaded_ = false;
    CompareView* compare_;
    Spinner* spinner_;
    QPointer<QMessageBox> confirmation_;
};

} // namespace orvane
