#pragma once

#include "editor/JobRecord.h"

#include <QHash>
#include <QPointer>
#include <QUuid>
#include <QWidget>
#include <functional>

class QScrollArea;

namespace orvane {

class GalleryThumb;
class JobListModel;

// Finished jobs as a grid of captioned thumbnails in as many columns as fit. Only the rows near the
// scroll area's visible part have widgets, so a grid of hundreds of jobs opens and scrolls as
// quickly as one of a few.
class GalleryGrid : public QWidget {
    Q_OBJECT
public:
    struct Spacing {
        int minimumColumnWidth;
        int columnSpacing;
        int rowSpacing;
    };
    // The gallery screen's.
    static constexpr Spacing gallerySpacing{150, 12, 14};

    struct Actions {
        std::function<void(const JobRecord&)> open;
        // When set, a job's context menu offers "Delete".
        std::function<void(const JobRecord&)> remove;
    };

    // `scrollArea` holds the grid (perhaps with other widgets above it) and says what is seen.
    GalleryGrid(JobListModel& jobs, QScrollArea& scrollArea, Spacing spacing, Actions actions,
                QWidget* parent = nullptr);

    struct Geometry {
        int columns;
        int cellWidth;
        int rowHeight;
    };
    Geometry geometryFor(int width) const;

    // The thumbnails that exist now, in no particular order.
    QList<GalleryThumb*> thumbs() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reload();
    void sync();
    void showMenu(GalleryThumb* thumb, const QPoint& position);

    JobListModel& jobs_;
    QPointer<QScrollArea> scrollArea_;
    Spacing spacing_;
    Actions actions_;
    QHash<QUuid, GalleryThumb*> thumbs_;
};

} // namespace orvane
