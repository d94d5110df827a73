#include "ui/gallery/RecentJobsStrip.h"

#include "editor/JobGallery.h"
#include "ui/controls/SectionLabel.h"
#include "ui/controls/SidewaysScrollArea.h"
#include "ui/gallery/GalleryThumb.h"
#include "ui/gallery/JobListModel.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace orvane {

RecentJobsStrip::RecentJobsStrip(JobGallery& gallery, std::function<void(const JobRecord&)> onRecord,
                                 QWidget* parent)
    : QWidget(parent)
    , gallery_(gallery)
    , onRecord_(std::move(onRecord))
    , jobs_(new JobListModel(gallery, maximumJobs, this)) {
    setObjectName("recentJobsStrip");
    setMaximumWidth(640);

    row_ = new QWidget;
    cells_ = new QHBoxLayout(row_);
    cells_->setContentsMargins(0, 0, 0, 0);
    cells_->setSpacing(10);
    cells_->addStretch(1);
    auto* scroller = new SidewaysScrollArea;
    scroller->setObjectName("recentJobsScroller");
    scroller->setWidget(row_);
    scroller->viewport()->setBackgroundRole(QPalette::Window);
    scroller->setFixedHeight(GalleryThumb::heightFor(cellWidth, true));

    column_ = new QVBoxLayout(this);
    auto* column = column_;
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    column->addWidget(new SectionLabel(QStringLiteral("Or re-work a recent job")));
    column->addWidget(scroller);

    connect(jobs_, &JobListModel::modelReset, this, &RecentJobsStrip::reload);
    reload();
}

void RecentJobsStrip::setTopMargin(int margin) {
    column_->setContentsMargins(0, margin, 0, 0);
}

QList<GalleryThumb*> RecentJobsStrip::thumbs() const {
    QList<GalleryThumb*> shown;
    for (int i = 0; i < cells_->count(); ++i) {
        if (auto* thumb = qobject_cast<GalleryThumb*>(cells_->itemAt(i)->widget())) {
            shown << thumb;
        }
    }
    return shown;
}

QSize RecentJobsStrip::sizeHint() const {
    const int count = jobs_->rowCount();
    const int row = count * cellWidth + std::max(0, count - 1) * cells_->spacing();
    return {std::min(maximumWidth(), row), QWidget::sizeHint().height()};
}

void RecentJobsStrip::reload() {
    for (GalleryThumb* thumb : thumbs()) {
        cells_->removeWidget(thumb);
        // It may be the one being pressed.
        thumb->hide();
        thumb->deleteLater();
    }
    for (int row = 0; row < jobs_->rowCount(); ++row) {
        auto* thumb = new GalleryThumb(jobs_->record(row), jobs_->folder(row), true);
        thumb->setFixedSize(cellWidth, GalleryThumb::heightFor(cellWidth, true));
        connect(thumb, &GalleryThumb::clicked, this, [this, thumb] { onRecord_(thumb->record()); });
        cells_->insertWidget(row, thumb);
    }
    updateGeometry();
    if (jobs_->rowCount() == 0) {
        hide();
    } else if (parentWidget()) {
        // Without a parent, showing would open it as a window of its own.
        show();
    }
}

} // namespace orvane
