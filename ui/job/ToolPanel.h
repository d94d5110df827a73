#pragma once

#include <QWidget>
#include <array>

namespace orvane {

class EditorModel;
class RunBar;
class SymbolBadge;
class TextLabel;
class ToolTabs;

// The side column of the job screen: the preset's header or the tool tabs, the current tool's
// options, and the run bar. While a job runs, the tabs and the options are disabled; the run bar,
// with its "Cancel", never is.
class ToolPanel : public QWidget {
    Q_OBJECT
public:
    explicit ToolPanel(EditorModel& model, QWidget* parent = nullptr);

private:
    QWidget* makePresetHeader();
    void refresh();

    EditorModel& model_;
    QWidget* presetHeader_;
    SymbolBadge* presetSymbol_ = nullptr;
    TextLabel* presetTitle_ = nullptr;
    TextLabel* presetSubtitle_ = nullptr;
    ToolTabs* tabs_;
    QWidget* options_;
    std::array<QWidget*, 4> toolOptions_{};
    RunBar* runBar_;
};

} // namespace orvane
