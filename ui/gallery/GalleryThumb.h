#pragma once

#include "editor/JobRecord.h"

#include <QAbstractButton>
#include <QImage>
#include <filesystem>

namespace orvane {

// One finished job as a square thumbnail with its symbol as a badge, and with its title and when
// it was made below when `showsCaption`. Pressing it is the views' way to open the job. The
// thumbnail is decoded off the main thread; until then, or when it cannot be read, the job's
// symbol stands in its place.
class GalleryThumb : public QAbstractButton {
    Q_OBJECT
public:
    // `folder` is the job's own folder, which holds its "thumb.jpg".
    GalleryThumb(JobRecord record, std::filesystem::path folder, bool showsCaption,
                 QWidget* parent = nullptr);

    const JobRecord& record() const { return record_; }
    // Shows another job; the image shown stays until the new one has been decoded.
    void setRecord(JobRecord record, std::filesystem::path folder);
    // Whether the thumbnail has been decoded and is shown.
    bool hasImage() const { return !image_.isNull(); }

    // The height of a thumbnail `width` wide, its caption included when `showsCaption`.
    static int heightFor(int width, bool showsCaption);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void requestImage();
    static int captionHeight(bool showsCaption);

    JobRecord record_;
    std::filesystem::path folder_;
    QString cacheKey_;
    bool showsCaption_;
    QImage image_;
};

} // namespace orvane
