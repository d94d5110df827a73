#include "ui/sheets/BatchView.h"

#include "editor/ByteCountText.h"
#include "editor/EditorModel.h"
#include "ui/controls/ActionButton.h"
#include "ui/controls/SymbolBadge.h"
#include "ui/controls/TextLabel.h"
#include "ui/desktop/FileManager.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QVBoxLayout>

namespace orvane {

namespace {
constexpr std::size_t namesShown = 5;
} // namespace

BatchView::BatchView(EditorModel& model, std::function<void(const QString&)> onSaved, QWidget* parent)
    : SheetDialog(sheetSize, Height::fixed, parent)
    , model_(model)
    , onSaved_(std::move(onSaved)) {
    setObjectName("batchView");

    icon_ = new SymbolBadge(QStringLiteral("square.stack.3d.down.right"),
                            Theme::font(Theme::TextStyle::title2), Theme::accent);
    icon_->setObjectName("batchIcon");
    title_ = new TextLabel(QString(), Theme::TextStyle::headline);
    title_->setObjectName("batchTitle");
    subtitle_ = TextLabel::secondary(QString(), Theme::TextStyle::caption);
    subtitle_->setObjectName("batchSubtitle");
    auto* titles = new QVBoxLayout;
    titles->setSpacing(2);
    titles->addWidget(title_);
    titles->addWidget(subtitle_);
    auto* header = new QHBoxLayout;
    header->addWidget(icon_, 0, Qt::AlignVCenter);
    header->addLayout(titles, 1);

    progress_ = new QProgressBar;
    progress_->setObjectName("batchProgress");
    progress_->setTextVisible(false);
    progress_->setFixedHeight(6);

    bytes_ = new TextLabel(QString(), Theme::TextStyle::callout);
    bytes_->setObjectName("batchBytes");
    bytes_->setFont(Theme::monospacedDigitFont(Theme::TextStyle::callout));
    failed_ = new TextLabel(QString(), Theme::TextStyle::caption, QFont::Normal, Theme::orange);
    failed_->setObjectName("batchFailed");
    failed_->setWordWrap(true);
    folderProblem_ = new TextLabel(QString(), Theme::TextStyle::caption, QFont::Normal, Theme::orange);
    folderProblem_->setObjectName("batchFolderProblem");
    folderProblem_->setWordWrap(true);

    showButton_ = new ActionButton(QStringLiteral("Show in Folder"), std::nullopt,
                                   ActionButton::Look::bordered, ActionButton::ControlSize::large);
    showButton_->setObjectName("showInFolderButton");
    showButton_->setAutoDefault(false);
    connect(showButton_, &QPushButton::clicked, this, &BatchView::showInFolder);
    doneButton_ = new ActionButton(QStringLiteral("Done"), std::nullopt, ActionButton::Look::prominent,
                                   ActionButton::ControlSize::large);
    doneButton_->setObjectName("doneButton");
    connect(doneButton_, &QPushButton::clicked, this, [this] { model_.cancelBatch(); });
    stopButton_ = new ActionButton(QStringLiteral("Stop"), std::nullopt, ActionButton::Look::bordered,
                                   ActionButton::ControlSize::large);
    stopButton_->setObjectName("stopButton");
    stopButton_->setAutoDefault(false);
    connect(stopButton_, &QPushButton::clicked, this, [this] { model_.stopBatch(); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(showButton_);
    buttons->addStretch(1);
    buttons->addWidget(doneButton_);
    buttons->addWidget(stopButton_);

    content_ = new QWidget;
    auto* column = new QVBoxLayout(content_);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(16);
    column->addLayout(header);
    column->addWidget(progress_);
    column->addWidget(bytes_);
    column->addWidget(folderProblem_);
    column->addWidget(failed_);
    column->addStretch(1);
    column->addLayout(buttons);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(content_);

    connect(&model_, &EditorModel::batchChanged, this, &BatchView::refresh);
    connect(&model_, &EditorModel::convertChanged, this, &BatchView::refresh);
    refresh();
}

QString BatchView::title(const BatchState& batch) {
    if (batch.finished) {
        return QStringLiteral("Converted %1 of %2").arg(batch.outputs.size()).arg(batch.items.size());
    }
    return QStringLiteral("Converting %1 files…").arg(batch.items.size());
}

QString BatchView::subtitle(const ConvertOptions& options) {
    QString text = QStringLiteral("to ") + QString::fromStdString(orvane::title(options.format));
    if (options.maxKB) {
        text += QStringLiteral(" · under %1 KB").arg(*options.maxKB);
    }
    return text;
}

QString BatchView::byteLine(const BatchState& batch) {
    return byteCountText(batch.bytesIn) + QStringLiteral(" → ") + byteCountText(batch.bytesOut);
}

QString BatchView::failedLine(const std::vector<QString>& failed) {
    QStringList names;
    for (std::size_t index = 0; index < failed.size() && index < namesShown; ++index) {
        names << failed[index];
    }
    return QStringLiteral("Couldn't convert: ") + names.join(QStringLiteral(", ")) +
           (failed.size() > namesShown ? QStringLiteral("…") : QString());
}

QString BatchView::folderLine(const BatchState& batch) {
    const QString folder = batch.outputDir ? QString::fromStdString(batch.outputDir->string()) : QString();
    return QStringLiteral("Couldn't save to “") + folder + QStringLiteral("”: ") +
           batch.folderProblem.value_or(QString()) + QStringLiteral(".");
}

void BatchView::refresh() {
    const std::optional<BatchState>& batch = model_.batch();
    content_->setVisible(batch.has_value());
    if (!batch) {
        return;
    }
    icon_->setSymbol(batch->finished ? QStringLiteral("checkmark.circle.fill")
                                     : QStringLiteral("square.stack.3d.down.right"));
    icon_->setColorSource(batch->finished ? Theme::green : Theme::accent);
    title_->setText(title(*batch));
    subtitle_->setText(subtitle(model_.convert()));
    progress_->setRange(0, batch->items.empty() ? 1 : static_cast<int>(batch->items.size()));
    progress_->setValue(batch->done);
    bytes_->setVisible(batch->bytesIn >= 1);
    bytes_->setText(byteLine(*batch));
    failed_->setVisible(!batch->failed.empty());
    failed_->setText(failedLine(batch->failed));
    folderProblem_->setVisible(batch->folderProblem.has_value());
    folderProblem_->setText(folderLine(*batch));
    showButton_->setVisible(batch->finished);
    doneButton_->setVisible(batch->finished);
    doneButton_->setDefault(batch->finished);
    stopButton_->setVisible(!batch->finished);
    if (batch->finished && !doneButton_->hasFocus()) {
        doneButton_->setFocus();
    }
}

void BatchView::reject() {
    if (model_.batch() && !model_.batch()->finished) {
        return;
    }
    SheetDialog::reject();
}

void BatchView::showInFolder() {
    const std::optional<BatchState>& batch = model_.batch();
    if (!batch) {
        return;
    }
    FileManager::reveal(FileManager::revealTargets(batch->outputs, batch->outputDir), batch->outputDir, this);
}

} // namespace orvane
