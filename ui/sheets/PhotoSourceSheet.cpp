#include "ui/sheets/PhotoSourceSheet.h"

#include "editor/JobGallery.h"
#include "platform/files/FileBytes.h"
#include "ui/controls/ActionButton.h"
#include "ui/controls/RoundedPanel.h"
#include "ui/controls/SectionLabel.h"
#include "ui/controls/Spinner.h"
#include "ui/controls/TextLabel.h"
#include "ui/desktop/FilePanels.h"
#include "ui/desktop/ImageFileFilter.h"
#include "ui/gallery/GalleryGrid.h"
#include "ui/gallery/JobListModel.h"

#include <QFileDialog>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QtConcurrent>

namespace orvane {

PhotoSourceSheet::PhotoSourceSheet(JobGallery& gallery, Actions actions, QWidget* parent)
    : SheetDialog(largestSize, Height::fitsContent, parent)
    , gallery_(gallery)
    , actions_(std::move(actions))
    , jobs_(new JobListModel(gallery, std::nullopt, this)) {
    setObjectName("photoSourceSheet");

    auto* title = new TextLabel(QStringLiteral("Choose a photo"), Theme::TextStyle::title2, QFont::Bold);
    auto* cancel = new ActionButton(QStringLiteral("Cancel"), std::nullopt, ActionButton::Look::bordered);
    cancel->setObjectName("cancelButton");
    cancel->setAutoDefault(false);
    auto* titleRow = new QHBoxLayout;
    titleRow->addWidget(title);
    titleRow->addStretch(1);
    titleRow->addWidget(cancel);

    auto* openFile = new ActionButton(QStringLiteral("Open file…"), QStringLiteral("folder"),
                                      ActionButton::Look::prominent, ActionButton::ControlSize::large);
    openFile->setObjectName("openFileButton");
    openFile->setAutoDefault(false);
    auto* library = new ActionButton(QStringLiteral("Photos library"), QStringLiteral("photo.on.rectangle"),
                                     ActionButton::Look::bordered, ActionButton::ControlSize::large);
    library->setObjectName("photosLibraryButton");
    library->setAutoDefault(false);
    library->setToolTip(QStringLiteral("Choose a photo from your Pictures folder"));
    for (ActionButton* button : {openFile, library}) {
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    auto* sourceRow = new QHBoxLayout;
    sourceRow->setSpacing(10);
    sourceRow->addWidget(openFile, 1);
    sourceRow->addWidget(library, 1);

    count_ = TextLabel::secondary(QString(), Theme::TextStyle::caption);
    count_->setObjectName("pastJobsCount");
    auto* headingRow = new QHBoxLayout;
    headingRow->addWidget(new SectionLabel(QStringLiteral("Re-work a past job")));
    headingRow->addStretch(1);
    headingRow->addWidget(count_);

    jobsArea_ = new QScrollArea;
    jobsArea_->setObjectName("pastJobsArea");
    jobsArea_->setFrameShape(QFrame::NoFrame);
    jobsArea_->setWidgetResizable(true);
    jobsArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    jobsArea_->viewport()->setBackgroundRole(QPalette::Window);
    const auto choose = [this](const JobRecord& record) {
        actions_.onRecord(record);
        accept();
    };
    // No "Delete" here: the sheet only picks.
    grid_ = new GalleryGrid(*jobs_, *jobsArea_, {120, 10, 12}, {.open = choose, .remove = nullptr});
    jobsArea_->setWidget(grid_);

    auto* emptyBox = new RoundedPanel([] { return Theme::secondaryFill(0.06); }, 14);
    emptyBox->setObjectName("pastJobsEmpty");
    emptyBox->setMinimumHeight(120);
    auto* emptyText =
        TextLabel::secondary(QStringLiteral("Your finished jobs will show here, so you can take any "
                                            "result further — enlarge it again, remove its "
                                            "background, convert it."),
                             Theme::TextStyle::callout);
    emptyText->setAlignment(Qt::AlignCenter);
    emptyText->setWordWrap(true);
    auto* emptyLayout = new QVBoxLayout(emptyBox);
    emptyLayout->setContentsMargins(24, 16, 24, 16);
    emptyLayout->addWidget(emptyText);
    emptyBox_ = emptyBox;

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(22, 22, 22, 22);
    column->setSpacing(18);
    column->addLayout(titleRow);
    column->addLayout(sourceRow);
    auto* jobsSection = new QVBoxLayout;
    jobsSection->setSpacing(10);
    jobsSection->addLayout(headingRow);
    jobsSection->addWidget(jobsArea_, 1);
    jobsSection->addWidget(emptyBox_);
    jobsSection->addStretch(0);
    column->addLayout(jobsSection, 1);

    spinner_ = new Spinner(32, this);
    spinner_->setObjectName("photoLoadingSpinner");
    spinner_->hide();

    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(openFile, &QPushButton::clicked, this, &PhotoSourceSheet::openImporter);
    connect(library, &QPushButton::clicked, this, &PhotoSourceSheet::openPicker);
    connect(&gallery_, &JobGallery::recordsChanged, this, &PhotoSourceSheet::refresh);
    refresh();
}

void PhotoSourceSheet::refresh() {
    const qsizetype jobs = gallery_.records().size();
    count_->setText(QString::number(jobs));
    count_->setVisible(jobs > 0);
    jobsArea_->setVisible(jobs > 0);
    emptyBox_->setVisible(jobs == 0);
    if (isVisible()) {
        fitToContent();
    }
}

void PhotoSourceSheet::openImporter() {
    auto* importer = new QFileDialog(this, QString(), QString(), imageFileFilter());
    importer->setObjectName("fileImporter");
    importer->setAttribute(Qt::WA_DeleteOnClose);
    importer->setFileMode(QFileDialog::ExistingFile);
    importer->setWindowModality(Qt::WindowModal);
    FilePanels::prepare(*importer, FilePanels::Purpose::openPhoto);
    // Cancelling the panel leaves the sheet open, so that another source can still be chosen.
    connect(importer, &QFileDialog::fileSelected, this, [this](const QString& file) {
        actions_.onURL(std::filesystem::path(file.toStdString()));
        accept();
    });
    importer->open();
}

void PhotoSourceSheet::openPicker() {
    auto* picker = new QFileDialog(this, QStringLiteral("Photos library"), QString(), imageFileFilter());
    picker->setObjectName("photosPicker");
    FilePanels::prepare(*picker, FilePanels::Purpose::photosLibrary);
    picker->setAttribute(Qt::WA_DeleteOnClose);
    picker->setFileMode(QFileDialog::ExistingFile);
    picker->setWindowModality(Qt::WindowModal);
    // Cancelling the picker leaves the sheet as it was.
    connect(picker, &QFileDialog::fileSelected, this, &PhotoSourceSheet::takePhoto);
    picker->open();
}

void PhotoSourceSheet::takePhoto(const QString& path) {
    setLoading(true);
    // The read goes on if the sheet closes meanwhile, so the watcher lives with the window.
    auto* watcher = new QFutureWatcher<std::optional<Bytes>>(parentWidget() ? parentWidget() : this);
    QPointer<PhotoSourceSheet> sheet(this);
    connect(watcher, &QFutureWatcherBase::finished, watcher, [watcher, sheet, onData = actions_.onData] {
        watcher->deleteLater();
        std::optional<Bytes> bytes = watcher->result();
        if (bytes && onData) {
            onData(std::make_shared<const Bytes>(std::move(*bytes)));
        }
        if (sheet) {
            sheet->setLoading(false);
            sheet->accept();
        }
    });
    watcher->setFuture(QtConcurrent::run(
        [file = std::filesystem::path(path.toStdString())] { return FileBytes::read(file); }));
}

void PhotoSourceSheet::setLoading(bool loading) {
    loading_ = loading;
    spinner_->setVisible(loading);
    spinner_->raise();
}

int PhotoSourceSheet::contentHeight(int width) const {
    const int base = SheetDialog::contentHeight(width);
    if (!jobsArea_->isVisibleTo(this)) {
        return base;
    }
    const int margins = layout()->contentsMargins().left() + layout()->contentsMargins().right();
    const int gridWidth = width - margins - jobsArea_->verticalScrollBar()->sizeHint().width();
    return base + std::max(0, grid_->heightForWidth(gridWidth) - jobsArea_->sizeHint().height());
}

void PhotoSourceSheet::resizeEvent(QResizeEvent* event) {
    SheetDialog::resizeEvent(event);
    const QSize side = spinner_->sizeHint();
    spinner_->setGeometry(QRect(QPoint((width() - side.width()) / 2, (height() - side.height()) / 2), side));
}

} // namespace orvane
