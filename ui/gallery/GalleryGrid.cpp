#include "ui/gallery/GalleryGrid.h"

#include "ui/gallery/GalleryThumb.h"
#include "ui/gallery/JobListModel.h"

#include <QEvent>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>

namespace orvane {

GalleryGrid::GalleryGrid(JobListModel& jobs, QScrollArea& scrollArea, Spacing spacing, Actions actions,
                         QWidget* parent)
    : QWidget(parent)
    , jobs_(jobs)
    , scrollArea_(&scrollArea)
    , spacing_(spacing)
    , actions_(std::move(actions)) {
    setObjectName("galleryGrid");
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    connect(&jobs_, &JobListModel::modelReset, this, &GalleryGrid::reload);
    connect(scrollArea.verticalScrollBar(), &QScrollBar::valueChanged, this, &GalleryGrid::sync);
    // A taller window shows more rows without changing the grid's width.
    scrollArea.viewport()->installEventFilter(this);
    // Tab goes through the cells; a click on the area still lets the keys scroll it.
    scrollArea.setFocusPolicy(Qt::ClickFocus);
}

GalleryGrid::Geometry GalleryGrid::geometryFor(int width) const {
    const int columns = std::max(1, (width + spacing_.columnSpacing) /
                                        (spacing_.minimumColumnWidth + spacing_.columnSpacing));
    const int cellWidth = std::max(1, (width - spacing_.columnSpacing * (columns - 1)) / columns);
    return {columns, cellWidth, GalleryThumb::heightFor(cellWidth, true)};
}

int GalleryGrid::heightForWidth(int width) const {
    const Geometry grid = geometryFor(width);
    const int rows = (jobs_.rowCount() + grid.columns - 1) / grid.columns;
    return rows == 0 ? 0 : rows * grid.rowHeight + (rows - 1) * spacing_.rowSpacing;
}

QSize GalleryGrid::sizeHint() const {
    const int width = 3 * spacing_.minimumColumnWidth + 2 * spacing_.columnSpacing;
    return {width, heightForWidth(width)};
}

QList<GalleryThumb*> GalleryGrid::thumbs() const {
    return thumbs_.values();
}

void GalleryGrid::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    sync();
}

bool GalleryGrid::event(QEvent* event) {
    if (event->type() == QEvent::Show) {
        sync();
    }
    return QWidget::event(event);
}

bool GalleryGrid::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        sync();
    }
    return QWidget::eventFilter(watched, event);
}

void GalleryGrid::reload() {
    // Jobs that stay keep their thumbnails, so deleting one does not make the others flash.
    QSet<QUuid> remaining;
    for (int row = 0; row < jobs_.rowCount(); ++row) {
        remaining.insert(jobs_.record(row).id);
    }
    for (auto it = thumbs_.begin(); it != thumbs_.end();) {
        if (remaining.contains(it.key())) {
            ++it;
            continue;
        }
        // The thumb may be the one whose menu brought us here.
        it.value()->hide();
        it.value()->deleteLater();
        it = thumbs_.erase(it);
    }
    updateGeometry();
    sync();
}

void GalleryGrid::sync() {
    if (width() <= 0) {
        return;
    }
    const Geometry grid = geometryFor(width());
    QRect seen = rect();
    if (scrollArea_ && scrollArea_->viewport()->isAncestorOf(this)) {
        const QWidget* viewport = scrollArea_->viewport();
        seen = QRect(mapFrom(viewport, QPoint(0, 0)), viewport->size());
        // Half a screen either side is ready before it scrolls into view.
        seen.adjust(0, -seen.height() / 2, 0, seen.height() / 2);
    }
    const int pitch = grid.rowHeight + spacing_.rowSpacing;
    const int count = jobs_.rowCount();
    const int firstRow = std::max(0, seen.top() / pitch);
    const int lastRow = std::max(-1, seen.bottom()) / pitch;
    const int first = std::min(count, firstRow * grid.columns);
    const int end = std::min(count, (lastRow + 1) * grid.columns);
    const int leftover =
        width() - (grid.columns * grid.cellWidth + (grid.columns - 1) * spacing_.columnSpacing);

    QSet<QUuid> wanted;
    for (int row = first; row < end; ++row) {
        const JobRecord& record = jobs_.record(row);
        wanted.insert(record.id);
        GalleryThumb* thumb = thumbs_.value(record.id);
        if (!thumb) {
            thumb = new GalleryThumb(record, jobs_.folder(row), true, this);
            connect(thumb, &GalleryThumb::clicked, this, [this, thumb] { actions_.open(thumb->record()); });
            if (actions_.remove) {
                thumb->setContextMenuPolicy(Qt::CustomContextMenu);
                connect(thumb, &GalleryThumb::customContextMenuRequested, this,
                        [this, thumb](const QPoint& position) { showMenu(thumb, position); });
            }
            thumbs_.insert(record.id, thumb);
        }
        const int column = row % grid.columns;
        thumb->setGeometry(leftover / 2 + column * (grid.cellWidth + spacing_.columnSpacing),
                           (row / grid.columns) * pitch, grid.cellWidth, grid.rowHeight);
        thumb->show();
    }
    for (auto it = thumbs_.begin(); it != thumbs_.end();) {
        if (wanted.contains(it.key())) {
            ++it;
        } else {
            it.value()->deleteLater();
            it.value()->hide();
            it = thumbs_.erase(it);
        }
    }
}

void GalleryGrid::showMenu(GalleryThumb* thumb, const QPoint& position) {
    auto* menu = new QMenu(this);
    menu->setObjectName("jobMenu");
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const JobRecord record = thumb->record();
    QAction* remove = menu->addAction(QStringLiteral("Delete"));
    connect(remove, &QAction::triggered, this, [this, record] { actions_.remove(record); });
    menu->popup(thumb->mapToGlobal(position));
}

} // namespace orvane
