#include "ui/job/RunBar.h"

#include "editor/EditorModel.h"
#include "ui/controls/ActionButton.h"
#include "ui/controls/TextLabel.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QShortcut>
#include <QVBoxLayout>
#include <cmath>

namespace orvane {
namespace {

// The bar's steps between 0 and 1.
constexpr int progressSteps = 1000;

QString toolRunTitle(Tool tool) {
    return tool == Tool::background ? QStringLiteral("Remove background") : title(tool);
}

QString runSymbol(const EditorModel& model) {
    return model.focus() ? model.focus()->symbol : symbol(model.tool());
}

} // namespace

QString RunBar::runTitle(const EditorModel& model) {
    return model.focus() ? model.focus()->title : toolRunTitle(model.tool());
}

RunBar::RunBar(EditorModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , runButton_(new ActionButton(QString(), std::nullopt, ActionButton::Look::prominent,
                                  ActionButton::ControlSize::large))
    , cancelButton_(new ActionButton(QStringLiteral("Cancel"), std::nullopt, ActionButton::Look::bordered))
    , running_(new QWidget)
    , progress_(new QProgressBar)
    , status_(TextLabel::secondary(QString(), Theme::TextStyle::caption)) {
    setObjectName("runBar");
    runButton_->setObjectName("runButton");
    runButton_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(runButton_, &QPushButton::clicked, &model_, &EditorModel::run);
    // Only while the button shows: a hidden widget's shortcut never fires.
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), runButton_);
    connect(shortcut, &QShortcut::activated, &model_, &EditorModel::run);

    running_->setObjectName("runProgress");
    progress_->setObjectName("progressBar");
    progress_->setRange(0, progressSteps);
    progress_->setTextVisible(false);
    progress_->setFixedHeight(6);
    status_->setObjectName("statusLine");
    auto* cancel = cancelButton_;
    cancel->setObjectName("cancelButton");
    cancel->setFont(Theme::font(Theme::TextStyle::callout));
    connect(cancel, &QPushButton::clicked, &model_, &EditorModel::cancelJob);
    auto* statusRow = new QHBoxLayout;
    statusRow->addWidget(status_);
    statusRow->addStretch(1);
    statusRow->addWidget(cancel);
    auto* runningColumn = new QVBoxLayout(running_);
    runningColumn->setContentsMargins(0, 0, 0, 0);
    runningColumn->setSpacing(6);
    runningColumn->addWidget(progress_);
    runningColumn->addLayout(statusRow);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(runButton_);
    column->addWidget(running_);

    for (const auto signal : {&EditorModel::progressChanged, &EditorModel::statusChanged,
                              &EditorModel::focusChanged, &EditorModel::toolChanged}) {
        connect(&model_, signal, this, &RunBar::refresh);
    }
    refresh();
}

void RunBar::refresh() {
    const std::optional<double> progress = model_.progress();
    // The focus stays in the bar as it changes form, so that the key that started a job can stop it.
    const bool runHadFocus = runButton_->hasFocus();
    const bool cancelHadFocus = cancelButton_->hasFocus();
    running_->setVisible(progress.has_value());
    if (progress && runHadFocus) {
        cancelButton_->setFocus(Qt::OtherFocusReason);
    }
    runButton_->setVisible(!progress);
    if (!progress && cancelHadFocus) {
        runButton_->setFocus(Qt::OtherFocusReason);
    }
    runButton_->setTitle(runTitle(model_));
    runButton_->setSymbol(runSymbol(model_));
    if (progress) {
        const double fraction = std::isfinite(*progress) ? std::clamp(*progress, 0.0, 1.0) : 0.0;
        progress_->setValue(static_cast<int>(std::lround(fraction * progressSteps)));
        status_->setText(model_.status().value_or(QStringLiteral("Working…")));
    }
}

} // namespace orvane
