#include "ui/home/HomeView.h"

#include "editor/BitmapImage.h"
#include "editor/EditorModel.h"
#include "editor/JobGallery.h"
#include "ui/compare/Checkerboard.h"
#include "ui/controls/ActionButton.h"
#include "ui/controls/FocusRing.h"
#include "ui/controls/RoundedPanel.h"
#include "ui/controls/ScrollColumn.h"
#include "ui/controls/SectionLabel.h"
#include "ui/controls/SidewaysScrollArea.h"
#include "ui/controls/Spinner.h"
#include "ui/controls/TextLabel.h"
#include "ui/gallery/GalleryThumb.h"
#include "ui/gallery/JobListModel.h"
#include "ui/home/AdaptiveGridLayout.h"
#include "ui/home/JobTile.h"
#include "ui/look/Painting.h"
#include "ui/look/Symbols.h"
#include "ui/look/Theme.h"
#include "ui/sheets/AboutView.h"

#include <QAbstractButton>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace orvane {
namespace {

// The loaded photo's preview, filling a small rounded square.
class PhotoPreview : public QWidget {
public:
    PhotoPreview(const EditorModel& model, QWidget* parent = nullptr)
        : QWidget(parent)
        , model_(model) {
        setFixedSize(52, 52);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const auto& preview = model_.originalPreview();
        if (!preview) {
            return;
        }
        const QImage image = qImage(*preview);
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        QPainterPath clip;
        clip.addRoundedRect(QRectF(rect()), 10, 10);
        painter.setClipPath(clip);
        // A cut-out waiting for a new job shows what is see-through as the compare view does,
        // not as the card's own colour.
        if (hasAlphaChannel(preview->alphaInfo())) {
            Checkerboard::paint(painter, QRectF(rect()));
        }
        const QSizeF scaled = QSizeF(image.size()).scaled(QSizeF(size()), Qt::KeepAspectRatioByExpanding);
        painter.drawImage(
            QRectF(QPointF((width() - scaled.width()) / 2, (height() - scaled.height()) / 2), scaled), image);
    }

private:
    const EditorModel& model_;
};

// A bare symbol in the secondary colour that acts as a button.
class SymbolButton : public QAbstractButton {
public:
    SymbolButton(QString symbol, QFont font, QWidget* parent = nullptr)
        : QAbstractButton(parent)
        , symbol_(std::move(symbol)) {
        setFont(font);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
        // Room around the symbol for the focus ring.
        const int side = Symbols::sizeFor(font) + 10;
        setFixedSize(side, side);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        paintFocusRingIfShown(*this, painter, QRectF(rect()), width() / 2.0);
        const int side = Symbols::sizeFor(font());
        const QColor color = isDown() ? Theme::primary() : Theme::secondary();
        painter.drawPixmap((width() - side) / 2, (height() - side) / 2,
                           Symbols::pixmap(symbol_, side, color, devicePixelRatioF()));
    }

private:
    QString symbol_;
};

constexpr int thumbWidth = 108;

QString galleryTitle(qsizetype count) {
    return QStringLiteral("Gallery (%1)").arg(count);
}

} // namespace

HomeView::HomeView(EditorModel& model, JobGallery& gallery, Actions actions, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , gallery_(gallery)
    , actions_(std::move(actions))
    , recentJobs_(new JobListModel(gallery, recentJobCount, this)) {
    setObjectName("homeView");

    auto* column = new QWidget;
    column->setObjectName("homeContent");
    column->setMaximumWidth(contentMaximumWidth);
    auto* stack = new QVBoxLayout(column);
    stack->setContentsMargins(24, 24, 24, 24);
    stack->setSpacing(28);
    stack->addWidget(makeTitle());
    stack->addWidget(makePhotoCard());
    stack->addWidget(makeRecentJobs());
    for (const auto section : {JobPreset::Section::enlarge, JobPreset::Section::background,
                               JobPreset::Section::fix, JobPreset::Section::convert}) {
        stack->addWidget(makeSection(section));
    }
    stack->addWidget(makePlaceholder());
    stack->addWidget(makeBottomRow());
    stack->addStretch(1);

    // The content stops growing at its maximum width and stays centred.
    auto* scroll = verticalScrollArea(centred(column));
    scroll->setObjectName("homeScroll");
    connect(scroll->verticalScrollBar(), &QScrollBar::valueChanged, this, [column] {
        for (JobTile* tile : column->findChildren<JobTile*>()) {
            tile->followPointer();
        }
    });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);

    connect(&model_, &EditorModel::originalChanged, this, &HomeView::refreshPhoto);
    connect(&model_, &EditorModel::originalPreviewChanged, this, &HomeView::refreshPhoto);
    connect(&model_, &EditorModel::isLoadingChanged, this, &HomeView::refreshPhoto);
    connect(recentJobs_, &QAbstractItemModel::modelReset, this, &HomeView::refreshRecentJobs);
    refreshPhoto();
    refreshRecentJobs();
}

QWidget* HomeView::makeTitle() {
    auto* block = new QWidget;
    auto* stack = new QVBoxLayout(block);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(4);
    stack->addWidget(
        new TextLabel(QStringLiteral("What do you want to do?"), Theme::TextStyle::largeTitle, QFont::Bold));
    auto* subtitle = TextLabel::secondary(
        QStringLiteral("Pick a job. Everything runs on your device — nothing is uploaded."),
        Theme::TextStyle::callout);
    subtitle->setWordWrap(true);
    stack->addWidget(subtitle);
    return block;
}

QWidget* HomeView::makePhotoCard() {
    photoCard_ = new RoundedPanel([] { return Theme::withOpacity(Theme::accent(), 0.12); }, 14);
    photoCard_->setObjectName("photoCard");
    photoPreview_ = new PhotoPreview(model_);
    photoPreview_->setObjectName("photoPreview");
    photoSpinner_ = new Spinner(20);
    photoSpinner_->setObjectName("photoSpinner");
    // The spinner takes the preview's place, so the card keeps its height.
    photoSpinnerFrame_ = new QWidget;
    photoSpinnerFrame_->setFixedSize(52, 52);
    auto* spinnerLayout = new QVBoxLayout(photoSpinnerFrame_);
    spinnerLayout->setContentsMargins(0, 0, 0, 0);
    spinnerLayout->addWidget(photoSpinner_, 0, Qt::AlignCenter);

    photoTitle_ = new TextLabel(QStringLiteral("Photo ready"), Theme::TextStyle::headline);
    photoTitle_->setObjectName("photoTitle");
    auto* textBlock = new QWidget;
    auto* texts = new QVBoxLayout(textBlock);
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(2);
    texts->addWidget(photoTitle_);
    texts->addWidget(
        TextLabel::secondary(QStringLiteral("Pick a job below to use it."), Theme::TextStyle::caption));

    auto* remove =
        new SymbolButton(QStringLiteral("xmark.circle.fill"), Theme::font(Theme::TextStyle::title3));
    remove->setObjectName("removePhotoButton");
    remove->setAccessibleName(QStringLiteral("Remove photo"));
    remove->setToolTip(QStringLiteral("Remove photo"));
    connect(remove, &QAbstractButton::clicked, this, [this] { model_.clearSource(); });

    auto* row = new QHBoxLayout(photoCard_);
    row->setContentsMargins(12, 12, 12, 12);
    row->setSpacing(12);
    row->addWidget(photoPreview_);
    row->addWidget(photoSpinnerFrame_);
    row->addWidget(textBlock, 0, Qt::AlignVCenter);
    row->addStretch(1);
    row->addWidget(remove);
    return photoCard_;
}

QWidget* HomeView::makeRecentJobs() {
    recentStrip_ = new QWidget;
    recentStrip_->setObjectName("recentJobs");
    galleryButton_ = new ActionButton(galleryTitle(0), std::nullopt, ActionButton::Look::borderless);
    galleryButton_->setObjectName("galleryButton");
    galleryButton_->setFont(Theme::font(Theme::TextStyle::callout));
    connect(galleryButton_, &QAbstractButton::clicked, this, [this] {
        if (actions_.openGallery) {
            actions_.openGallery();
        }
    });
    auto* header = new QHBoxLayout;
    header->addWidget(new SectionLabel(QStringLiteral("Recent jobs")));
    header->addStretch(1);
    header->addWidget(galleryButton_);

    auto* thumbs = new QWidget;
    thumbs->setObjectName("recentJobsRow");
    recentRow_ = new QHBoxLayout(thumbs);
    recentRow_->setContentsMargins(0, 0, 0, 0);
    recentRow_->setSpacing(10);
    auto* scroll = new SidewaysScrollArea;
    scroll->setObjectName("recentJobsScroller");
    scroll->setWidget(thumbs);
    scroll->viewport()->setAutoFillBackground(false);
    thumbs->setAutoFillBackground(false);
    scroll->setFixedHeight(GalleryThumb::heightFor(thumbWidth, true));

    auto* stack = new QVBoxLayout(recentStrip_);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(10);
    stack->addLayout(header);
    stack->addWidget(scroll);
    return recentStrip_;
}

QWidget* HomeView::makeSection(JobPreset::Section section) {
    auto* block = new QWidget;
    block->setObjectName(QStringLiteral("section-%1").arg(QString::fromUtf8(rawValue(section))));
    auto* grid = new AdaptiveGridLayout(168, 12, 12);
    for (const JobPreset& preset : JobPreset::all()) {
        if (preset.section == section) {
            grid->addWidget(new JobTile(preset, [this, preset] {
                if (actions_.openJob) {
                    actions_.openJob(preset);
                }
            }));
        }
    }
    auto* stack = new QVBoxLayout(block);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(10);
    stack->addWidget(new SectionLabel(QString::fromUtf8(rawValue(section))));
    stack->addLayout(grid);
    return block;
}

QWidget* HomeView::makePlaceholder() {
    placeholder_ = new QWidget;
    placeholder_->setObjectName("recentJobsPlaceholder");
    auto* panel = new RoundedPanel([] { return Theme::secondaryFill(0.06); }, 14);
    panel->setMinimumHeight(80);
    auto* text =
        TextLabel::secondary(QStringLiteral("Finished jobs appear here, ready to save or share again."),
                             Theme::TextStyle::callout);
    text->setAlignment(Qt::AlignCenter);
    text->setWordWrap(true);
    auto* inside = new QVBoxLayout(panel);
    inside->addWidget(text);
    auto* stack = new QVBoxLayout(placeholder_);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(10);
    stack->addWidget(new SectionLabel(QStringLiteral("Recent jobs")));
    stack->addWidget(panel);
    return placeholder_;
}

QWidget* HomeView::makeBottomRow() {
    auto* row = new QWidget;
    auto* editor = new ActionButton(QStringLiteral("Open the full editor (all tools)"),
                                    QStringLiteral("slider.horizontal.3"), ActionButton::Look::borderless);
    editor->setObjectName("openEditorButton");
    auto* about = new ActionButton(QStringLiteral("About & licenses"), QStringLiteral("info.circle"),
                                   ActionButton::Look::borderless);
    about->setObjectName("aboutButton");
    for (ActionButton* button : {editor, about}) {
        button->setFont(Theme::font(Theme::TextStyle::callout));
    }
    connect(editor, &QAbstractButton::clicked, this, [this] {
        if (actions_.openEditor) {
            actions_.openEditor();
        }
    });
    connect(about, &QAbstractButton::clicked, this, &HomeView::showAbout);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(20);
    layout->addWidget(editor);
    layout->addWidget(about);
    layout->addStretch(1);
    return row;
}

AboutView* HomeView::aboutSheet() const {
    return about_;
}

void HomeView::showAbout() {
    if (about_) {
        return;
    }
    about_ = new AboutView(this);
    about_->setAttribute(Qt::WA_DeleteOnClose);
    about_->setWindowModality(Qt::WindowModal);
    about_->open();
}

void HomeView::refreshPhoto() {
    const bool loading = model_.isLoading();
    // While a photo is being opened the card stands in for it with a spinner, so that a slow
    // photo shows at once that it is on its way.
    photoCard_->setVisible(model_.original().has_value() || loading);
    photoPreview_->setVisible(!loading && model_.originalPreview().has_value());
    photoSpinnerFrame_->setVisible(loading);
    photoTitle_->setText(loading ? QStringLiteral("Opening the photo…") : QStringLiteral("Photo ready"));
    photoPreview_->update();
}

void HomeView::refreshRecentJobs() {
    const bool hasJobs = !gallery_.records().isEmpty();
    recentStrip_->setVisible(hasJobs);
    placeholder_->setVisible(!hasJobs);
    galleryButton_->setTitle(galleryTitle(gallery_.records().size()));
    while (QLayoutItem* item = recentRow_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    // Tab reaches the jobs where they stand, between the gallery button and the tiles, although
    // they are made after both.
    QWidget* before = galleryButton_;
    for (int row = 0; row < recentJobs_->rowCount(); ++row) {
        const JobRecord& record = recentJobs_->record(row);
        auto* thumb = new GalleryThumb(record, recentJobs_->folder(row), true);
        thumb->setFixedSize(thumbWidth, GalleryThumb::heightFor(thumbWidth, true));
        connect(thumb, &QAbstractButton::clicked, this, [this, record] {
            if (actions_.openRecord) {
                actions_.openRecord(record);
            }
        });
        recentRow_->addWidget(thumb);
        QWidget::setTabOrder(before, thumb);
        before = thumb;
    }
    recentRow_->addStretch(1);
}

} // namespace orvane
