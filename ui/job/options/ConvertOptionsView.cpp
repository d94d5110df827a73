#include "ui/job/options/ConvertOptionsView.h"

#include "editor/EditorModel.h"
#include "ui/controls/ActionButton.h"
#include "ui/controls/Chip.h"
#include "ui/controls/Divider.h"
#include "ui/controls/SectionLabel.h"
#include "ui/controls/SegmentedPicker.h"
#include "ui/controls/SliderRow.h"
#include "ui/controls/TextLabel.h"
#include "ui/controls/ToggleRowPublic.h"
#include "ui/desktop/FilePanels.h"
#include "ui/desktop/PhotosAndFoldersPanel.h"
#include "ui/job/options/ConvertOptionsText.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QVBoxLayout>

namespace fs = std::filesystem;

namespace orvane {
namespace {

constexpr std::array metadataPolicies{MetadataPolicy::keep, MetadataPolicy::removeLocation,
                                      MetadataPolicy::removeAll};

QHBoxLayout* chipRow(QWidget* row) {
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    return layout;
}

} // namespace

ConvertOptionsView::ConvertOptionsView(EditorModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , summary_(TextLabel::secondary(QString(), Theme::TextStyle::caption))
    , description_(TextLabel::secondary(QString(), Theme::TextStyle::caption))
    , quality_(new SliderRow(QStringLiteral("Quality"), 0.3, 1.0, true))
    , metadata_(new SegmentedPicker(
          {QStringLiteral("Keep all"), QStringLiteral("No location"), QStringLiteral("Remove all")}))
    , captureDate_(new ToggleRowPublic(QStringLiteral("Keep the date the photo was taken"))) {
    setObjectName("convertOptions");
    summary_->setObjectName("sourceSummary");
    summary_->setFont(Theme::monospacedDigitFont(Theme::TextStyle::caption));
    description_->setObjectName("formatDescription");
    description_->setWordWrap(true);
    quality_->setObjectName("qualityRow");
    connect(quality_, &SliderRow::valueChanged, this,
            [this](double value) { change([value](ConvertOptions& options) { options.quality = value; }); });
    metadata_->setObjectName("metadataPicker");
    metadata_->setAccessibleName(QStringLiteral("Metadata"));
    connect(metadata_, &SegmentedPicker::activated, this, [this](int index) {
        change([policy = metadataPolicies.at(static_cast<std::size_t>(index))](ConvertOptions& options) {
            options.metadata = policy;
        });
    });
    captureDate_->setObjectName("captureDateRow");
    connect(captureDate_, &ToggleRowPublic::toggled, this,
            [this](bool on) { change([on](ConvertOptions& options) { options.keepCaptureDate = on; }); });
    batchEntry_ = makeBatchEntry();

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);
    column->addWidget(summary_);
    column->addWidget(new SectionLabel(QStringLiteral("Convert to")));
    column->addWidget(makeFormatRow());
    column->addWidget(description_);
    column->addWidget(new SectionLabel(QStringLiteral("File size")));
    column->addWidget(makeSizeRow());
    column->addWidget(quality_);
    column->addWidget(new SectionLabel(QStringLiteral("Privacy")));
    column->addWidget(metadata_);
    column->addWidget(captureDate_);
    column->addWidget(batchEntry_);

    for (const auto signal :
         {&EditorModel::convertChanged, &EditorModel::focusChanged, &EditorModel::sourceSummaryChanged}) {
        connect(&model_, signal, this, &ConvertOptionsView::refresh);
    }
    refresh();
}

template <typename Change> void ConvertOptionsView::change(Change&& change) {
    ConvertOptions options = model_.convert();
    std::forward<Change>(change)(options);
    model_.setConvert(options);
}

QWidget* ConvertOptionsView::makeFormatRow() {
    auto* row = new QWidget;
    row->setObjectName("formatChips");
    auto* layout = chipRow(row);
    for (const ConvertFormat format : formats) {
        auto* chip = new Chip(QString::fromStdString(title(format)));
        chip->setObjectName(QStringLiteral("formatChip_") + QString::fromStdString(title(format)));
        connect(chip, &Chip::clicked, this,
                [this, format] { change([format](ConvertOptions& options) { options.format = format; }); });
        layout->addWidget(chip);
        formatChips_.push_back(chip);
    }
    layout->addStretch(1);
    return row;
}

QWidget* ConvertOptionsView::makeSizeRow() {
    auto* row = new QWidget;
    auto* layout = chipRow(row);

    auto* sizeMenu = new QMenu(this);
    sizeMenu->setObjectName("sizeMenu");
    connect(sizeMenu->addAction(QStringLiteral("No limit")), &QAction::triggered, this,
            [this] { change([](ConvertOptions& options) { options.maxKB.reset(); }); });
    for (const long long kilobytes : kbPresets) {
        connect(sizeMenu->addAction(ConvertOptionsText::sizeLabel(kilobytes)), &QAction::triggered, this,
                [this, kilobytes] {
                    change([kilobytes](ConvertOptions& options) { options.maxKB = kilobytes; });
                });
    }
    sizeChip_ = new Chip(QString(), QStringLiteral("arrow.down.right.and.arrow.up.left"));
    sizeChip_->setObjectName("sizeChip");
    sizeChip_->setMenu(sizeMenu);

    auto* edgeMenu = new QMenu(this);
    edgeMenu->setObjectName("edgeMenu");
    connect(edgeMenu->addAction(QStringLiteral("Original")), &QAction::triggered, this,
            [this] { change([](ConvertOptions& options) { options.maxLongEdge.reset(); }); });
    for (const int pixels : edgePresets) {
        connect(
            edgeMenu->addAction(ConvertOptionsText::edgeLabel(pixels)), &QAction::triggered, this,
            [this, pixels] { change([pixels](ConvertOptions& options) { options.maxLongEdge = pixels; }); });
    }
    edgeChip_ = new Chip(QString(), QStringLiteral("aspectratio"));
    edgeChip_->setObjectName("edgeChip");
    edgeChip_->setMenu(edgeMenu);

    layout->addWidget(sizeChip_);
    layout->addWidget(edgeChip_);
    layout->addStretch(1);
    return row;
}

QWidget* ConvertOptionsView::makeBatchEntry() {
    auto* entry = new QWidget;
    entry->setObjectName("batchEntry");
    auto* button =
        new ActionButton(QStringLiteral("Convert many files or a folder…"),
                         QStringLiteral("square.stack.3d.down.right"), ActionButton::Look::borderless);
    button->setObjectName("convertManyButton");
    button->setStretchesContent(false);
    connect(button, &QPushButton::clicked, this, &ConvertOptionsView::chooseBatchItems);
    auto* column = new QVBoxLayout(entry);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addSpacing(2);
    column->addWidget(new Divider);
    column->addSpacing(2 + 12);
    column->addWidget(button, 0, Qt::AlignLeft);
    return entry;
}

void ConvertOptionsView::chooseBatchItems() {
    auto* panel = new PhotosAndFoldersPanel(QStringLiteral("Choose photos or a folder to convert"), window());
    panel->setObjectName("batchSourcePanel");
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setWindowModality(Qt::WindowModal);
    FilePanels::prepare(*panel, FilePanels::Purpose::batchSources);
    connect(panel, &PhotosAndFoldersPanel::chosen, this, [this](const QStringList& paths) {
        std::vector<fs::path> urls;
        urls.reserve(static_cast<std::size_t>(paths.size()));
        for (const QString& path : paths) {
            urls.emplace_back(path.toStdString());
        }
        // Without a folder: the window asks where the converted files go.
        model_.beginBatch(EditorModel::collectBatchItems(urls));
    });
    panel->open();
}

void ConvertOptionsView::refresh() {
    const std::optional<QString> summary = model_.sourceSummary();
    summary_->setVisible(summary.has_value());
    summary_->setText(summary.value_or(QString()));

    const ConvertOptions& options = model_.convert();
    for (std::size_t index = 0; index < formats.size(); ++index) {
        formatChips_[index]->setSelected(formats[index] == options.format);
    }
    description_->setText(ConvertOptionsText::formatDescription(options.format));
    sizeChip_->setTitle(ConvertOptionsText::sizeMenuTitle(options.maxKB));
    sizeChip_->setSelected(options.maxKB.has_value());
    edgeChip_->setTitle(ConvertOptionsText::edgeMenuTitle(options.maxLongEdge));
    edgeChip_->setSelected(options.maxLongEdge.has_value());
    // With a size target the converter chooses the quality itself.
    quality_->setVisible(isLossy(options.format) && !options.maxKB);
    quality_->setValue(options.quality);
    const auto policy = std::find(metadataPolicies.begin(), metadataPolicies.end(), options.metadata);
    metadata_->setCurrentIndex(static_cast<int>(policy - metadataPolicies.begin()));
    captureDate_->setOn(options.keepCaptureDate);

    const std::optional<JobPreset>& focus = model_.focus();
    batchEntry_->setVisible(!focus || focus->isBatch);
}

} // namespace orvane
