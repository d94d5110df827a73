#include "ui/job/options/BackgroundOptions.h"

#include "editor/EditorModel.h"
#include "ui/controls/Chip.h"
#include "ui/controls/ColorPicker.h"
#include "ui/controls/SectionLabel.h"
#include "ui/controls/TextLabel.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace orvane {
namespace {

QString chipTitle(BackdropChoice backdrop) {
    switch (backdrop) {
    case BackdropChoice::transparent:
        return QStringLiteral("None");
    case BackdropChoice::white:
        return QStringLiteral("White");
    case BackdropChoice::color:
        return QStringLiteral("Color");
    case BackdropChoice::blur:
        return QStringLiteral("Blur");
    }
    return {};
}

} // namespace

QString BackgroundOptions::note(BackdropChoice backdrop) {
    return backdrop == BackdropChoice::transparent
               ? QStringLiteral("Saves as a transparent PNG — great for stickers and product shots.")
               : QStringLiteral("Finds the main subject automatically, on your device.");
}

BackgroundOptions::BackgroundOptions(EditorModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model) {
    setObjectName("backgroundOptions");
    heading_ = new SectionLabel(QStringLiteral("New background"));
    heading_->setObjectName("backdropHeading");
    chipRow_ = new QWidget;
    chipRow_->setObjectName("backdropChips");
    auto* chips = new QHBoxLayout(chipRow_);
    chips->setContentsMargins(0, 0, 0, 0);
    chips->setSpacing(8);
    for (const BackdropChoice backdrop : allCases<BackdropChoice>()) {
        auto* chip = new Chip(chipTitle(backdrop));
        chip->setObjectName(QStringLiteral("backdropChip_") + chipTitle(backdrop));
        connect(chip, &Chip::clicked, this, [this, backdrop] { model_.setBackdrop(backdrop); });
        chips->addWidget(chip);
        chips_.push_back(chip);
    }
    chips->addStretch(1);
    colorPicker_ = new ColorPicker(QStringLiteral("Background color"));
    colorPicker_->setObjectName("backdropColorPicker");
    connect(colorPicker_, &ColorPicker::colorChosen, this,
            [this](const QColor& color) { model_.setBackdropColor(color); });
    note_ = TextLabel::secondary(QString(), Theme::TextStyle::caption);
    note_->setObjectName("backgroundNote");
    note_->setWordWrap(true);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);
    column->addWidget(heading_);
    column->addWidget(chipRow_);
    column->addWidget(colorPicker_);
    column->addWidget(note_);

    for (const auto signal :
         {&EditorModel::focusChanged, &EditorModel::backdropChanged, &EditorModel::backdropColorChanged}) {
        connect(&model_, signal, this, &BackgroundOptions::refresh);
    }
    refresh();
}

void BackgroundOptions::refresh() {
    const bool freeEditor = !model_.focus();
    heading_->setVisible(freeEditor);
    chipRow_->setVisible(freeEditor);
    const BackdropChoice backdrop = model_.backdrop();
    const auto choices = allCases<BackdropChoice>();
    for (std::size_t index = 0; index < choices.size(); ++index) {
        chips_[index]->setSelected(choices[index] == backdrop);
    }
    colorPicker_->setVisible(backdrop == BackdropChoice::color);
    colorPicker_->setColor(model_.backdropColor());
    note_->setText(note(backdrop));
}

} // namespace orvane
