#include "ui/job/options/EnhanceOptionsView.h"

#include "editor/EditorModel.h"
#include "ui/controls/SliderRow.h"
#include "ui/controls/ToggleRowPublic.h"

#include <QVBoxLayout>
#include <array>

namespace orvane {
namespace {

struct StepRow {
    const char* objectName;
    QString title;
    std::optional<QString> subtitle;
    bool EnhanceOptions::*field;
};

std::array<StepRow, 4> stepRows() {
    return {{
        {"autoLightRow", QStringLiteral("Auto light & color"), std::nullopt, &EnhanceOptions::autoLight},
        {"reduceNoiseRow", QStringLiteral("Reduce noise"), std::nullopt, &EnhanceOptions::reduceNoise},
        {"sharpenRow", QStringLiteral("Sharpen"), std::nullopt, &EnhanceOptions::sharpen},
        {"aiDetailRow", QStringLiteral("AI detail"),
         QStringLiteral("Restores texture and cleans compression blocks"), &EnhanceOptions::aiDetail},
    }};
}

} // namespace

EnhanceOptionsView::EnhanceOptionsView(EditorModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , strength_(new SliderRow(QStringLiteral("Strength"), 0, 1, false)) {
    setObjectName("enhanceOptions");
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);
    for (const StepRow& step : stepRows()) {
        auto* row = new ToggleRowPublic(step.title, step.subtitle);
        row->setObjectName(QString::fromLatin1(step.objectName));
        connect(row, &ToggleRowPublic::toggled, this, [this, field = step.field](bool on) {
            EnhanceOptions options = model_.enhance();
            options.*field = on;
            model_.setEnhance(options);
        });
        column->addWidget(row);
        rows_.push_back(row);
    }
    strength_->setObjectName("strengthRow");
    connect(strength_, &SliderRow::valueChanged, this, [this](double value) {
        EnhanceOptions options = model_.enhance();
        options.strength = value;
        model_.setEnhance(options);
    });
    column->addWidget(strength_);
    connect(&model_, &EditorModel::enhanceChanged, this, &EnhanceOptionsView::refresh);
    refresh();
}

void EnhanceOptionsView::refresh() {
    const EnhanceOptions& options = model_.enhance();
    const auto steps = stepRows();
    for (std::size_t index = 0; index < steps.size(); ++index) {
        rows_[index]->setOn(options.*steps[index].field);
    }
    strength_->setValue(options.strength);
    strength_->setEnabled(options.reduceNoise || options.sharpen);
}

} // namespace orvane
