#include "ui/window/ContentView.h"

#include "editor/EditorModel.h"
#include "editor/JobGallery.h"
#include "ui/controls/ActionButton.h"
#include "ui/controls/FocusRing.h"
#include "ui/controls/TextLabel.h"
#include "ui/desktop/FilePanels.h"
#include "ui/desktop/MessageBoxWidth.h"
#include "ui/gallery/GalleryDetailView.h"
#include "ui/gallery/GalleryView.h"
#include "ui/home/HomeView.h"
#include "ui/job/EditorPage.h"
#include "ui/sheets/BatchView.h"
#include "ui/sheets/PhotoSourceSheet.h"
#include "ui/window/SavedNotice.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QShortcut>
#include <QVBoxLayout>

namespace fs = std::filesystem;

namespace orvane {
namespace {

const QString alertTitle = QStringLiteral("Something went wrong");

// Only files and folders on this machine come in; a web link dragged from a browser is no photo
// until it has been downloaded.
std::vector<fs::path> localPaths(const QList<QUrl>& urls) {
    std::vector<fs::path> paths;
    for (const QUrl& url : urls) {
        if (url.isLocalFile()) {
            paths.emplace_back(url.toLocalFile().toStdString());
        }
    }
    return paths;
}

bool allLocal(const QList<QUrl>& urls) {
    return !urls.isEmpty() &&
           std::all_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

} // namespace

ContentView::ContentView(JobGallery* gallery, QWidget* parent)
    : QWidget(parent)
    , model_(std::make_unique<EditorModel>())
    , gallery_(gallery ? gallery : &JobGallery::shared()) {
    setObjectName("contentView");
    setMinimumSize(minimumContentSize);
    setAcceptDrops(true);
    clearFocusRingsOnClick();
    model_->setGallery(gallery_);

    backButton_ = new ActionButton(QString(), QStringLiteral("chevron.left"), ActionButton::Look::plain);
    backButton_->setObjectName("backButton");
    title_ = new TextLabel(QString(), Theme::TextStyle::title3, QFont::Bold);
    title_->setObjectName("screenTitle");
    otherPhotoButton_ = new ActionButton(QStringLiteral("Other photo"), QStringLiteral("photo.badge.plus"),
                                         ActionButton::Look::bordered);
    otherPhotoButton_->setObjectName("otherPhotoButton");
    otherPhotoButton_->setToolTip(QStringLiteral("Choose another photo or a past job"));

    auto* header = new QWidget;
    header->setObjectName("headerBar");
    auto* headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(12, 8, 12, 8);
    headerRow->setSpacing(10);
    headerRow->addWidget(backButton_);
    headerRow->addWidget(title_);
    headerRow->addStretch(1);
    headerRow->addWidget(otherPhotoButton_);
    auto* separator = new QFrame;
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Plain);
    separator->setStyleSheet(QString());
    separator->setFixedHeight(1);
    separator->setForegroundRole(QPalette::Mid);

    // The screens fill the area under the header; the saved notice lies over its top edge.
    pageArea_ = new QWidget;
    pageArea_->setObjectName("pageArea");
    layout_ = new QVBoxLayout(pageArea_);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(header);
    column->addWidget(separator);
    column->addWidget(pageArea_, 1);
    notice_ = new SavedNotice(pageArea_);

    connect(backButton_, &QPushButton::clicked, this, [this] {
        if (std::holds_alternative<RecordScreen>(screen_)) {
            setScreen(GalleryScreen{});
        } else {
            goHome();
        }
    });
    connect(otherPhotoButton_, &QPushButton::clicked, this, &ContentView::presentSource);
    // The keys every desktop application answers: Ctrl+W closes the window, Ctrl+Q quits.
    auto* close = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this);
    close->setObjectName("closeShortcut");
    connect(close, &QShortcut::activated, this, &QWidget::close);
    auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    quit->setObjectName("quitShortcut");
    connect(quit, &QShortcut::activated, qApp, &QApplication::closeAllWindows);
    connect(model_.get(), &EditorModel::focusChanged, this, &ContentView::updateHeader);
    connect(model_.get(), &EditorModel::originalChanged, this, &ContentView::updateHeader);
    connect(model_.get(), &EditorModel::errorMessageChanged, this, &ContentView::showErrorAlert);
    connect(model_.get(), &EditorModel::batchChanged, this, &ContentView::syncBatchSheet);
    connect(model_.get(), &EditorModel::batchFolderRequested, this, &ContentView::chooseBatchFolder);

    rebuildPage();
}

ContentView::~ContentView() {
    // The window is gone: what runs for it is cancelled rather than waited for, and ends at its
    // next check without publishing anything.
    for (std::optional<TaskHandle> running : {model_->job(), model_->batchJob()}) {
        if (running) {
            running->cancel();
        }
    }
    // The pages hold references to the model; they go first.
    delete page_;
}

void ContentView::openJob(const JobPreset& preset) {
    model_->cancelJob();
    model_->clearResult();
    model_->setFocus(preset);
    model_->apply(preset);
    setScreen(JobScreen{});
}

void ContentView::openEditor() {
    model_->clearResult();
    model_->setFocus(std::nullopt);
    setScreen(JobScreen{});
}

void ContentView::openGallery() {
    setScreen(GalleryScreen{});
}

void ContentView::openRecord(const JobRecord& record) {
    setScreen(RecordScreen{record});
}

void ContentView::useInNewJob(const fs::path& url) {
    model_->loadFile(url);
    model_->setFocus(std::nullopt);
    setScreen(HomeScreen{});
}

void ContentView::goHome() {
    model_->cancelJob();
    model_->clearResult();
    model_->setFocus(std::nullopt);
    setScreen(HomeScreen{});
}

void ContentView::showSaved(const QString& message) {
    notice_->show(message);
}

void ContentView::loadRecord(const JobRecord& record) {
    model_->loadFile(gallery_->folder(record) / record.resultFile.toStdString());
}

bool ContentView::handleDrop(const QList<QUrl>& urls) {
    const std::vector<fs::path> paths = localPaths(urls);
    if (paths.empty()) {
        return false;
    }
    std::error_code error;
    const bool firstIsFolder = fs::is_directory(paths.front(), error);
    if (paths.size() == 1 && !firstIsFolder) {
        model_->loadFile(paths.front());
        return true;
    }
    // The preset table always holds the batch preset.
    openJob(*JobPreset::find(QStringLiteral("batch")));
    model_->beginBatch(EditorModel::collectBatchItems(paths));
    return true;
}

void ContentView::presentSource() {
    auto* sheet =
        new PhotoSourceSheet(*gallery_,
                             {
                                 .onURL = [this](const fs::path& url) { model_->loadFile(url); },
                                 .onData = [this](SharedBytes data) { model_->loadData(std::move(data)); },
                                 .onRecord = [this](const JobRecord& record) { loadRecord(record); },
                             },
                             this);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->open();
}

void ContentView::presentImporter() {
    QFileDialog* panel = FilePanels::photoPanel(this);
    panel->setWindowModality(Qt::WindowModal);
    connect(panel, &QFileDialog::fileSelected, this,
            [this](const QString& file) { model_->loadFile(fs::path(file.toStdString())); });
    panel->open();
}

void ContentView::dragEnterEvent(QDragEnterEvent* event) {
    if (allLocal(event->mimeData()->urls())) {
        event->acceptProposedAction();
        setDropTargeted(true);
    }
}

void ContentView::dragLeaveEvent(QDragLeaveEvent* event) {
    setDropTargeted(false);
    QWidget::dragLeaveEvent(event);
}

void ContentView::dropEvent(QDropEvent* event) {
    setDropTargeted(false);
    if (handleDrop(event->mimeData()->urls())) {
        event->acceptProposedAction();
    }
}

void ContentView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (notice_->isVisible()) {
        notice_->move((pageArea_->width() - notice_->width()) / 2, notice_->y());
    }
}

void ContentView::setScreen(Screen screen) {
    screen_ = std::move(screen);
    rebuildPage();
    emit screenChanged();
}

void ContentView::rebuildPage() {
    if (page_) {
        // A page may be the sender of the signal that brought us here.
        page_->hide();
        page_->deleteLater();
    }
    QWidget* page = std::visit(
        [this](const auto& screen) -> QWidget* {
            using Kind = std::decay_t<decltype(screen)>;
            if constexpr (std::is_same_v<Kind, HomeScreen>) {
                return new HomeView(*model_, *gallery_,
                                    {
                                        .openJob = [this](const JobPreset& preset) { openJob(preset); },
                                        .openEditor = [this] { openEditor(); },
                                        .openGallery = [this] { openGallery(); },
                                        .openRecord = [this](const JobRecord& record) { openRecord(record); },
                                    });
            } else if constexpr (std::is_same_v<Kind, JobScreen>) {
                auto* page =
                    new EditorPage(*model_, *gallery_,
                                   {
                                       .showSource = [this] { presentSource(); },
                                       .showImporter = [this] { presentImporter(); },
                                       .showSaved = [this](const QString& text) { showSaved(text); },
                                       .loadRecord = [this](const JobRecord& record) { loadRecord(record); },
                                   });
                page->setDropTargeted(dropTargeted_);
                connect(this, &ContentView::dropTargetedChanged, page, &EditorPage::setDropTargeted);
                return page;
            } else if constexpr (std::is_same_v<Kind, GalleryScreen>) {
                return new GalleryView(*gallery_, [this](const JobRecord& record) { openRecord(record); });
            } else {
                return new GalleryDetailView(
                    *gallery_, screen.record,
                    {
                        .useInNewJob = [this](const fs::path& url) { useInNewJob(url); },
                        .onDeleted = [this] { openGallery(); },
                        .onSaved = [this](const QString& text) { showSaved(text); },
                    });
            }
        },
        screen_);
    page_ = page;
    layout_->addWidget(page, 1);
    notice_->raise();
    updateHeader();
}

void ContentView::updateHeader() {
    QString title;
    std::optional<QString> back;
    std::visit(
        [&](const auto& screen) {
            using Kind = std::decay_t<decltype(screen)>;
            if constexpr (std::is_same_v<Kind, HomeScreen>) {
                title = QStringLiteral("Orvane");
            } else if constexpr (std::is_same_v<Kind, JobScreen>) {
                title = model_->focus() ? model_->focus()->title : QStringLiteral("All tools");
                back = QStringLiteral("Jobs");
            } else if constexpr (std::is_same_v<Kind, GalleryScreen>) {
                title = QStringLiteral("Gallery");
                back = QStringLiteral("Jobs");
            } else {
                title = screen.record.title;
                back = QStringLiteral("Gallery");
            }
        },
        screen_);
    title_->setText(title);
    setWindowTitle(title);
    backButton_->setVisible(back.has_value());
    backButton_->setTitle(back.value_or(QString()));
    const bool batchFocus = model_->focus() && model_->focus()->isBatch;
    otherPhotoButton_->setVisible(std::holds_alternative<JobScreen>(screen_) && model_->original() &&
                                  !batchFocus);
}

void ContentView::setDropTargeted(bool targeted) {
    if (dropTargeted_ != targeted) {
        dropTargeted_ = targeted;
        emit dropTargetedChanged(targeted);
    }
}

void ContentView::showErrorAlert() {
    const std::optional<QString>& message = model_->errorMessage();
    if (!message) {
        if (alert_) {
            alert_->close();
        }
        return;
    }
    if (alert_) {
        alert_->setInformativeText(*message);
        fitMessageBoxToText(*alert_);
        return;
    }
    // Many window managers draw no title on a dialog, so the alert says what it is in its body: the
    // heading over the message.
    alert_ = new QMessageBox(QMessageBox::Warning, alertTitle, alertTitle, QMessageBox::Ok, this);
    alert_->setObjectName("errorAlert");
    alert_->setTextFormat(Qt::PlainText);
    alert_->setInformativeText(*message);
    for (QLabel* label : alert_->findChildren<QLabel*>()) {
        // A file name in the message is never taken for markup.
        label->setTextFormat(Qt::PlainText);
        if (label->text() == alertTitle) {
            label->setFont(Theme::font(Theme::TextStyle::headline));
        }
    }
    alert_->setAttribute(Qt::WA_DeleteOnClose);
    alert_->setWindowModality(Qt::WindowModal);
    // However the alert goes away, the message goes with it, so that the next one shows again.
    connect(alert_, &QMessageBox::finished, this, [this] { model_->setErrorMessage(std::nullopt); });
    fitMessageBoxToText(*alert_);
    alert_->open();
}

void ContentView::syncBatchSheet() {
    if (model_->batch() && !batchSheet_) {
        batchSheet_ = new BatchView(
            *model_, [this](const QString& text) { showSaved(text); }, this);
        batchSheet_->setAttribute(Qt::WA_DeleteOnClose);
        batchSheet_->setWindowModality(Qt::WindowModal);
        // Closing the sheet by any means ends the batch.
        connect(batchSheet_, &QDialog::finished, this, [this] {
            if (model_->batch()) {
                model_->cancelBatch();
            }
        });
        batchSheet_->open();
    } else if (!model_->batch() && batchSheet_) {
        batchSheet_->close();
    }
}

void ContentView::chooseBatchFolder(std::size_t itemCount) {
    auto* panel = new QFileDialog(this);
    panel->setObjectName("batchFolderPanel");
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setFileMode(QFileDialog::Directory);
    panel->setOption(QFileDialog::ShowDirsOnly);
    panel->setLabelText(QFileDialog::Accept, QStringLiteral("Save Here"));
    panel->setWindowTitle(QStringLiteral("Choose where to save %1 converted files").arg(itemCount));
    panel->setWindowModality(Qt::WindowModal);
    FilePanels::prepare(*panel, FilePanels::Purpose::batchDestination);
    connect(panel, &QFileDialog::fileSelected, this,
            [this](const QString& folder) { model_->answerBatchFolder(fs::path(folder.toStdString())); });
    connect(panel, &QFileDialog::rejected, this, [this] { model_->answerBatchFolder(std::nullopt); });
    panel->open();
}

} // namespace orvane
