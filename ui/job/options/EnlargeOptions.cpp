#include "ui/job/options/EnlargeOptions.h"

#include "editor/EditorModel.h"
#include "ui/controls/Chip.h"
#include "ui/controls/ChoiceRow.h"
#include "ui/controls/SectionLabel.h"
#include "ui/controls/TextLabel.h"
#include "ui/job/options/EnlargeSizeText.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QVBoxLayout>
#include <array>

namespace orvane {
namespace {

constexpr std::array factors{2.0, 4.0, 8.0};

QHBoxLayout* chipRow(QWidget* row) {
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    return layout;
}

} // namespace

EnlargeOptions::EnlargeOptions(EditorModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model) {
    setObjectName("enlargeOptions");
    sizeHeading_ = new SectionLabel(QStringLiteral("Size"));
    sizeHeading_->setObjectName("sizeHeading");
    factorRow_ = makeFactorRow();
    printRow_ = makePrintRow();
    sizeInformation_ = makeSizeInformation();
    styleHeading_ = new SectionLabel(QStringLiteral("Style"));
    styleHeading_->setObjectName("styleHeading");
    styleRows_ = makeStyleRows();

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);
    for (QWidget* section :
         {sizeHeading_, factorRow_, printRow_, sizeInformation_, styleHeading_, styleRows_}) {
        column->addWidget(section);
    }

    for (const auto signal :
         {&EditorModel::focusChanged, &EditorModel::targetChanged, &EditorModel::modelChanged,
          &EditorModel::originalChanged, &EditorModel::sizePlanChanged}) {
        connect(&model_, signal, this, &EnlargeOptions::refresh);
    }
    refresh();
}

QWidget* EnlargeOptions::makeFactorRow() {
    auto* row = new QWidget;
    row->setObjectName("factorRow");
    auto* layout = chipRow(row);
    for (const double factor : factors) {
        auto* chip = new Chip(EnlargeSizeText::factorTitle(factor));
        chip->setObjectName(QStringLiteral("factorChip%1").arg(factor));
        connect(chip, &Chip::clicked, this, [this, factor] { model_.setTarget(EnlargeFactor{factor}); });
        layout->addWidget(chip);
        factorChips_.push_back(chip);
    }
    layout->addStretch(1);
    return row;
}

QWidget* EnlargeOptions::makePrintRow() {
    auto* row = new QWidget;
    row->setObjectName("printRow");
    auto* layout = chipRow(row);
    printChip_ = new Chip(QStringLiteral("Print"), QStringLiteral("printer"));
    printChip_->setObjectName("printChip");
    printMenu_ = new QMenu(this);
    printMenu_->setObjectName("printMenu");
    for (const PrintSize& size : PrintSize::presets()) {
        QAction* entry = printMenu_->addAction(QString::fromStdString(size.name));
        connect(entry, &QAction::triggered, this, [this, size] { model_.setTarget(EnlargePrint{size}); });
    }
    printChip_->setMenu(printMenu_);
    screenChip_ = new Chip(QStringLiteral("Screen"), QStringLiteral("display"));
    screenChip_->setObjectName("screenChip");
    connect(screenChip_, &Chip::clicked, this, [this] { model_.setTarget(EnlargeScreen{}); });
    layout->addWidget(printChip_);
    layout->addWidget(screenChip_);
    layout->addStretch(1);
    return row;
}

QWidget* EnlargeOptions::makeSizeInformation() {
    auto* section = new QWidget;
    section->setObjectName("sizeInformation");
    sizeLine_ = new TextLabel(QString(), Theme::TextStyle::callout);
    sizeLine_->setObjectName("sizeLine");
    sizeLine_->setFont(Theme::monospacedDigitFont(Theme::TextStyle::callout));
    detailLine_ = TextLabel::secondary(QString(), Theme::TextStyle::caption);
    detailLine_->setObjectName("sizeDetailLine");
    detailLine_->setWordWrap(true);
    auto* column = new QVBoxLayout(section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    column->addWidget(sizeLine_);
    column->addWidget(detailLine_);
    return section;
}

QWidget* EnlargeOptions::makeStyleRows() {
    auto* rows = new QWidget;
    rows->setObjectName("styleRows");
    auto* column = new QVBoxLayout(rows);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    for (const UpscaleModel style : allCases<UpscaleModel>()) {
        auto* choice =
            new ChoiceRow(QString::fromStdString(title(style)), QString::fromStdString(subtitle(style)));
        choice->setObjectName(
            QStringLiteral("styleRow_") +
            QString::fromLatin1(rawValue(style).data(), static_cast<qsizetype>(rawValue(style).size())));
        connect(choice, &ChoiceRow::clicked, this, [this, style] { model_.setModel(style); });
        column->addWidget(choice);
        styleChoices_.push_back(choice);
    }
    return rows;
}

void EnlargeOptions::refresh() {
    const std::optional<JobPreset>& focus = model_.focus();
    const QString focusId = focus ? focus->id : QString();
    const bool showsFactors = !focus || focusId == QStringLiteral("enlarge-art");
    const bool showsPrint = !focus || focusId == QStringLiteral("enlarge-print");
    factorRow_->setVisible(showsFactors);
    printRow_->setVisible(showsPrint);
    sizeHeading_->setVisible(showsFactors || showsPrint);
    // A job opened for print offers paper sizes only.
    screenChip_->setVisible(!focus);
    const bool showsStyle = !focus || focus->showsStyle;
    styleHeading_->setVisible(showsStyle);
    styleRows_->setVisible(showsStyle);

    const EnlargeTarget& target = model_.target();
    const auto* factor = std::get_if<EnlargeFactor>(&target);
    for (std::size_t index = 0; index < factors.size(); ++index) {
        factorChips_[index]->setSelected(factor && factor->factor == factors[index]);
    }
    const auto* print = std::get_if<EnlargePrint>(&target);
    printChip_->setTitle(print ? QString::fromStdString(print->size.name) : QStringLiteral("Print"));
    printChip_->setSelected(print != nullptr);
    screenChip_->setSelected(std::holds_alternative<EnlargeScreen>(target));
    const auto styles = allCases<UpscaleModel>();
    for (std::size_t index = 0; index < styles.size(); ++index) {
        styleChoices_[index]->setSelected(styles[index] == model_.model());
    }
    refreshSizeInformation();
}

void EnlargeOptions::refreshSizeInformation() {
    const std::optional<EditorModel::SizePlan> plan = model_.sizePlan();
    const std::optional<Bitmap>& original = model_.original();
    sizeInformation_->setVisible(plan && original);
    if (!plan || !original) {
        return;
    }
    sizeLine_->setText(EnlargeSizeText::sizeChange(original->width(), original->height(), *plan));
    detailLine_->setText(
        EnlargeSizeText::details(*plan, std::holds_alternative<EnlargePrint>(model_.target())));
    detailLine_->setColorSource(plan->clamped ? Theme::orange : Theme::secondary);
}

} // namespace orvane
