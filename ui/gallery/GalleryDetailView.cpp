#include "ui/gallery/GalleryDetailView.h"

#include "core/ImageFiles.h"
#include "editor/ByteCountText.h"
#include "editor/JobGallery.h"
#include "ui/compare/CompareView.h"
#include "ui/controls/ActionButton.h"
#include "ui/controls/RoundedPanel.h"
#include "ui/controls/Spinner.h"
#include "ui/controls/TextLabel.h"
#include "ui/desktop/FileManager.h"
#include "ui/desktop/MessageBoxWidth.h"
#include "ui/desktop/SaveCopyPanel.h"
#include "ui/desktop/ShareMenu.h"

#include <QDateTime>
#include <QFutureWatcher>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <QtConcurrent>

namespace fs = std::filesystem;

namespace orvane {
namespace {

std::optional<Bitmap> loadImage(const fs::path& file, std::optional<int> maxPixelSize) {
    try {
        return ImageFiles::loadFromURL(file, maxPixelSize);
    } catch (...) {
        // An unreadable image keeps the placeholder; nothing is reported.
        return std::nullopt;
    }
}

// "Dec 8, 2026, 11:33 PM" in the user's locale.
QString abbreviatedDateText(std::chrono::system_clock::time_point date) {
    const QDateTime time = QDateTime::fromMSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::milliseconds>(date.time_since_epoch()).count());
    const QLocale locale;
    // Hours and minutes: some locales' short format has seconds too.
    QString timeFormat = locale.timeFormat(QLocale::ShortFormat);
    timeFormat.remove(QRegularExpression(QStringLiteral("[.:]ss?")));
    return locale.toString(time.date(), QStringLiteral("MMM d, yyyy")) + QStringLiteral(", ") +
           locale.toString(time.time(), timeFormat);
}

// The bar under the image: the job's two lines beside its buttons while both fit on one row, the
// buttons under the lines where they don't, so that the lines are never cut short in a narrow
// window.
class BottomBar : public RoundedPanel {
public:
    BottomBar(QVBoxLayout* texts, QList<TextLabel*> lines, QHBoxLayout* buttons)
        : RoundedPanel([] { return Theme::material(); }, 0)
        , lines_(std::move(lines))
        , row_(new QBoxLayout(QBoxLayout::LeftToRight, this))
        , buttons_(buttons) {
        row_->setContentsMargins(16, 16, 16, 16);
        row_->setSpacing(12);
        row_->addLayout(texts, 1);
        row_->addLayout(buttons);
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        RoundedPanel::resizeEvent(event);
        int lines = 0;
        for (const TextLabel* line : lines_) {
            lines = std::max(lines, line->fontMetrics().horizontalAdvance(line->text()) + 1);
        }
        const QMargins margins = row_->contentsMargins();
        const int oneRow =
            margins.left() + lines + row_->spacing() + buttons_->sizeHint().width() + margins.right();
        row_->setDirection(oneRow <= width() ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
    }

private:
    QList<TextLabel*> lines_;
    QBoxLayout* row_;
    QHBoxLayout* buttons_;
};

} // namespace

GalleryDetailView::GalleryDetailView(JobGallery& gallery, JobRecord record, Actions actions, QWidget* parent)
    : QWidget(parent)
    , gallery_(gallery)
    , record_(std::move(record))
    , actions_(std::move(actions)) {
    setObjectName("galleryDetailView");

    auto* imageArea = new RoundedPanel([] { return QColor::fromRgbF(0, 0, 0, 0.92f); }, 0);
    imageArea->setObjectName("detailImageArea");
    compare_ = new CompareView;
    compare_->setObjectName("detailCompareView");
    compare_->hide();
    spinner_ = new Spinner(28);
    spinner_->setObjectName("detailSpinner");
    spinner_->setColor(Qt::white);
    auto* stack = new QGridLayout(imageArea);
    stack->setContentsMargins(8, 8, 8, 8);
    stack->addWidget(compare_, 0, 0);
    stack->addWidget(spinner_, 0, 0, Qt::AlignCenter);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(imageArea, 1);
    column->addWidget(makeBottomBar());
    startLoading();
}

fs::path GalleryDetailView::resultFile() const {
    return gallery_.folder(record_) / record_.resultFile.toStdString();
}

fs::path GalleryDetailView::beforeFile() const {
    return gallery_.folder(record_) / "before.jpg";
}

QWidget* GalleryDetailView::makeBottomBar() {
    auto* heading = new TextLabel(record_.title + QStringLiteral(" · ") + QString::number(record_.width) +
                                      QStringLiteral(" × ") + QString::number(record_.height),
                                  Theme::TextStyle::headline);
    heading->setObjectName("detailHeading");
    heading->setFont(Theme::monospacedDigitFont(Theme::TextStyle::headline, QFont::DemiBold));
    auto* details =
        TextLabel::secondary(record_.detail + QStringLiteral(" · ") + byteCountText(record_.bytes) +
                                 QStringLiteral(" · ") + abbreviatedDateText(record_.date),
                             Theme::TextStyle::caption);
    details->setObjectName("detailLine");
    // Should even a row of their own be too narrow, the two lines give way.
    for (TextLabel* label : {heading, details}) {
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        label->setMinimumWidth(120);
        label->setElided(true);
        label->setToolTip(label->text());
    }
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(heading);
    texts->addWidget(details);

    auto* remove =
        new ActionButton(QStringLiteral("Delete"), QStringLiteral("trash"), ActionButton::Look::bordered);
    remove->setObjectName("deleteJobButton");
    remove->setDestructive(true);
    auto* reuse = new ActionButton(QStringLiteral("Use in a new job"), QStringLiteral("arrow.uturn.forward"),
                                   ActionButton::Look::bordered);
    reuse->setObjectName("useInNewJobButton");
    auto* save = new ActionButton(QStringLiteral("Save…"), QStringLiteral("square.and.arrow.down"),
                                  ActionButton::Look::prominent);
    save->setObjectName("saveCopyButton");
    auto* shareMenu = new ShareMenu(this);
    shareMenu->setFile(resultFile());
    auto* share = new ActionButton(QStringLiteral("Share"), QStringLiteral("square.and.arrow.up"),
                                   ActionButton::Look::prominent);
    share->setObjectName("shareButton");
    share->setMenu(shareMenu);
    auto* reveal = new ActionButton(QStringLiteral("Show in Folder"), QStringLiteral("folder"),
                                    ActionButton::Look::bordered);
    reveal->setObjectName("showInFolderButton");

    auto* row = new QHBoxLayout;
    row->setSpacing(12);
    row->addStretch(1);
    row->addWidget(remove);
    row->addWidget(reuse);
    row->addWidget(save);
    row->addWidget(share);
    row->addWidget(reveal);

    connect(remove, &QPushButton::clicked, this, &GalleryDetailView::confirmDelete);
    connect(reuse, &QPushButton::clicked, this, [this] { actions_.useInNewJob(resultFile()); });
    connect(save, &QPushButton::clicked, this, &GalleryDetailView::chooseSaveDestination);
    connect(reveal, &QPushButton::clicked, this,
            [this] { FileManager::reveal({resultFile()}, std::nullopt, this); });
    auto* bar = new BottomBar(texts, {heading, details}, row);
    bar->setObjectName("detailBottomBar");
    return bar;
}

void GalleryDetailView::startLoading() {
    // Both read at once; the screen changes once, when both are done.
    pendingLoads_ = 2;
    const auto load = [this](fs::path file, std::optional<int> limit, std::optional<Bitmap>& into) {
        auto* watcher = new QFutureWatcher<std::optional<Bitmap>>(this);
        connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, &into] {
            watcher->deleteLater();
            into = watcher->result();
            if (--pendingLoads_ == 0) {
                showImages();
            }
        });
        watcher->setFuture(QtConcurrent::run(loadImage, std::move(file), limit));
    };
    // The before image is at most 2048 pixels, but a folder changed by hand is held to the same
    // bound as the result.
    load(beforeFile(), previewLongEdge, before_);
    load(resultFile(), previewLongEdge, after_);
}

void GalleryDetailView::showImages() {
    loaded_ = true;
    if (after_) {
        const bool transparencyGrid = fs::path(record_.resultFile.toStdString()).extension() == ".png";
        // Without a before image the result shows alone, with no divider.
        compare_->setImages(before_ ? before_ : after_, before_ ? after_ : std::nullopt, transparencyGrid);
        compare_->show();
        spinner_->hide();
    }
    emit loaded();
}

void GalleryDetailView::confirmDelete() {
    if (confirmation_) {
        return;
    }
    confirmation_ = new QMessageBox(QMessageBox::Warning, QStringLiteral("Delete this job?"),
                                    QStringLiteral("Delete this job?"), QMessageBox::NoButton, this);
    confirmation_->setObjectName("deleteJobConfirmation");
    confirmation_->setAttribute(Qt::WA_DeleteOnClose);
    confirmation_->setWindowModality(Qt::WindowModal);
    QPushButton* remove = confirmation_->addButton(QStringLiteral("Delete"), QMessageBox::DestructiveRole);
    remove->setObjectName("confirmDeleteJobButton");
    confirmation_->addButton(QMessageBox::Cancel);
    confirmation_->setDefaultButton(QMessageBox::Cancel);
    connect(remove, &QPushButton::clicked, this, [this] {
        gallery_.remove(record_);
        actions_.onDeleted();
    });
    fitMessageBoxToText(*confirmation_);
    confirmation_->open();
}

void GalleryDetailView::chooseSaveDestination() {
    // A failed copy shows nothing here: no notice, and the file that was there stays as it was.
    SaveCopyPanel::present(
        this, resultFile(), [this] { actions_.onSaved(QStringLiteral("Saved")); }, [](const QString&) {});
}

bool GalleryDetailView::saveCopy(const fs::path& destination) {
    if (SaveCopyPanel::saveCopy(resultFile(), destination)) {
        return false;
    }
    actions_.onSaved(QStringLiteral("Saved"));
    return true;
}

} // namespace orvane
