#include "ui/gallery/GalleryView.h"

#include "editor/ByteCountText.h"
#include "editor/JobGallery.h"
#include "ui/controls/ActionButton.h"
#include "ui/controls/TextLabel.h"
#include "ui/desktop/MessageBoxWidth.h"
#include "ui/gallery/GalleryGrid.h"
#include "ui/gallery/JobListModel.h"

#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace orvane {

GalleryView::GalleryView(JobGallery& gallery, std::function<void(const JobRecord&)> openRecord,
                         QWidget* parent)
    : QWidget(parent)
    , gallery_(gallery)
    , openRecord_(std::move(openRecord))
    , jobs_(new JobListModel(gallery, std::nullopt, this)) {
    setObjectName("galleryView");

    summary_ = TextLabel::secondary(QString(), Theme::TextStyle::callout);
    summary_->setObjectName("gallerySummary");
    deleteAllButton_ =
        new ActionButton(QStringLiteral("Delete all…"), std::nullopt, ActionButton::Look::borderless);
    deleteAllButton_->setObjectName("deleteAllButton");
    deleteAllButton_->setDestructive(true);
    emptyText_ = TextLabel::secondary(QStringLiteral("No jobs yet."), Theme::TextStyle::body);
    emptyText_->setObjectName("galleryEmptyText");
    emptyText_->setAlignment(Qt::AlignCenter);
    emptyText_->setMinimumHeight(200);

    scrollArea_ = new QScrollArea;
    scrollArea_->setObjectName("galleryScrollArea");
    scrollArea_->setFrameShape(QFrame::NoFrame);
    scrollArea_->setWidgetResizable(true);
    scrollArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget;
    grid_ = new GalleryGrid(*jobs_, *scrollArea_, GalleryGrid::gallerySpacing,
                            {
                                .open = [this](const JobRecord& record) { openRecord_(record); },
                                // Straight away: only "Delete all…" asks first.
                                .remove = [this](const JobRecord& record) { gallery_.remove(record); },
                            });

    auto* header = new QHBoxLayout;
    header->addWidget(summary_);
    header->addStretch(1);
    header->addWidget(deleteAllButton_);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(16);
    column->addLayout(header);
    column->addWidget(emptyText_);
    column->addWidget(grid_);
    column->addStretch(1);
    scrollArea_->setWidget(content);
    // The window's own background, not a list's.
    scrollArea_->viewport()->setBackgroundRole(QPalette::Window);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scrollArea_);

    connect(deleteAllButton_, &QPushButton::clicked, this, &GalleryView::confirmDeleteAll);
    connect(&gallery_, &JobGallery::recordsChanged, this, &GalleryView::refresh);
    connect(&gallery_, &JobGallery::isLoadedChanged, this, &GalleryView::refresh);
    refresh();
}

QString GalleryView::summaryText(qsizetype jobs, std::int64_t bytes) {
    return QString::number(jobs) + QStringLiteral(" jobs · ") + byteCountText(bytes) +
           QStringLiteral(" on this device");
}

void GalleryView::refresh() {
    const bool empty = gallery_.records().isEmpty();
    summary_->setText(summaryText(gallery_.records().size(), gallery_.totalBytes()));
    deleteAllButton_->setVisible(!empty);
    // While the saved jobs are still being read, an empty list does not mean there are none.
    emptyText_->setVisible(empty && gallery_.isLoaded());
    grid_->setVisible(!empty);
}

void GalleryView::confirmDeleteAll() {
    if (confirmation_) {
        return;
    }
    confirmation_ =
        new QMessageBox(QMessageBox::Warning, QStringLiteral("Delete all jobs from this device?"),
                        QStringLiteral("Delete all jobs from this device?"), QMessageBox::NoButton, this);
    confirmation_->setObjectName("deleteAllConfirmation");
    confirmation_->setAttribute(Qt::WA_DeleteOnClose);
    confirmation_->setWindowModality(Qt::WindowModal);
    confirmation_->setInformativeText(QStringLiteral("Files you already saved or shared are not affected."));
    QPushButton* deleteAll =
        confirmation_->addButton(QStringLiteral("Delete all"), QMessageBox::DestructiveRole);
    deleteAll->setObjectName("confirmDeleteAllButton");
    confirmation_->addButton(QMessageBox::Cancel);
    confirmation_->setDefaultButton(QMessageBox::Cancel);
    connect(deleteAll, &QPushButton::clicked, this, [this] { gallery_.removeAll(); });
    fitMessageBoxToText(*confirmation_);
    confirmation_->open();
}

} // namespace orvane
