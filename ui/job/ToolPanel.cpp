#include "ui/job/ToolPanel.h"

#include "editor/EditorModel.h"
#include "ui/controls/SymbolBadge.h"
#include "ui/controls/TextLabel.h"
#include "ui/job/RunBar.h"
#include "ui/job/ToolTabs.h"
#include "ui/job/options/BackgroundOptions.h"
#include "ui/job/options/ConvertOptionsView.h"
#include "ui/job/options/EnhanceOptionsView.h"
#include "ui/job/options/EnlargeOptions.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace orvane {

ToolPanel::ToolPanel(EditorModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , tabs_(new ToolTabs)
    , options_(new QWidget)
    , runBar_(new RunBar(model)) {
    setObjectName("toolPanel");
    presetHeader_ = makePresetHeader();
    connect(tabs_, &ToolTabs::chosen, &model_, &EditorModel::setTool);

    // In the order of the tools; the one of the current tool shows.
    options_->setObjectName("toolOptions");
    toolOptions_[0] = new EnlargeOptions(model_);
    toolOptions_[1] = new BackgroundOptions(model_);
    toolOptions_[2] = new EnhanceOptionsView(model_);
    toolOptions_[3] = new ConvertOptionsView(model_);
    auto* optionsColumn = new QVBoxLayout(options_);
    optionsColumn->setContentsMargins(0, 0, 0, 0);
    for (QWidget* options : toolOptions_) {
        optionsColumn->addWidget(options);
    }

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(16);
    column->addWidget(presetHeader_);
    column->addWidget(tabs_);
    column->addWidget(options_);
    column->addWidget(runBar_);

    for (const auto signal :
         {&EditorModel::focusChanged, &EditorModel::toolChanged, &EditorModel::progressChanged}) {
        connect(&model_, signal, this, &ToolPanel::refresh);
    }
    refresh();
}

QWidget* ToolPanel::makePresetHeader() {
    auto* header = new QWidget;
    header->setObjectName("presetHeader");
    presetSymbol_ =
        new SymbolBadge(QString(), Theme::font(Theme::TextStyle::title3), Theme::accent, 36, 9, 0.15);
    presetTitle_ = new TextLabel(QString(), Theme::TextStyle::headline);
    presetTitle_->setObjectName("presetTitle");
    presetSubtitle_ = TextLabel::secondary(QString(), Theme::TextStyle::caption);
    presetSubtitle_->setObjectName("presetSubtitle");
    presetSubtitle_->setWordWrap(true);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    texts->addWidget(presetTitle_);
    texts->addWidget(presetSubtitle_);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    row->addWidget(presetSymbol_, 0, Qt::AlignVCenter);
    row->addLayout(texts, 1);
    return header;
}

void ToolPanel::refresh() {
    const std::optional<JobPreset>& focus = model_.focus();
    presetHeader_->setVisible(focus.has_value());
    tabs_->setVisible(!focus);
    if (focus) {
        presetSymbol_->setSymbol(focus->symbol);
        presetSymbol_->setColorSource([tool = focus->tool] { return Theme::tint(tool); });
        presetTitle_->setText(focus->title);
        presetSubtitle_->setText(focus->subtitle);
    }
    const Tool tool = model_.tool();
    tabs_->setSelection(tool);
    const auto tools = allCases<Tool>();
    for (std::size_t index = 0; index < tools.size(); ++index) {
        toolOptions_[index]->setVisible(tools[index] == tool);
    }
    const bool running = model_.progress().has_value();
    tabs_->setEnabled(!running);
    options_->setEnabled(!running);
}

} // namespace orvane
