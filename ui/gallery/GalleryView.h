#pragma once

#include "editor/JobRecord.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class QLabel;
class QMessageBox;
class QScrollArea;

namespace orvane {

class ActionButton;
class GalleryGrid;
class JobGallery;
class JobListModel;

// Every finished job, newest first, with the room they take and a way to delete one or all.
class GalleryView : public QWidget {
    Q_OBJECT
public:
    GalleryView(JobGallery& gallery, std::function<void(const JobRecord&)> openRecord,
                QWidget* parent = nullptr);

    // "12 jobs · 4.8 MB on this device".
    static QString summaryText(qsizetype jobs, std::int64_t bytes);

    // Asks before every job goes.
    void confirmDeleteAll();

private:
    void refresh();

    JobGallery& gallery_;
    std::function<void(const JobRecord&)> openRecord_;
    JobListModel* jobs_;
    QScrollArea* scrollArea_;
    QLabel* summary_;
    ActionButton* deleteAllButton_;
    QLabel* emptyText_;
    GalleryGrid* grid_;
    QPointer<QMessageBox> confirmation_;
};

} // namespace orvane
