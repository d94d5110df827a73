#pragma once

#include "editor/Tool.h"

#include <QWidget>
#include <vector>

namespace orvane {

class ToolTab;

// The free editor's four tool tabs, one per tool in their fixed order; the selected one is filled
// with the accent colour.
class ToolTabs : public QWidget {
    Q_OBJECT
public:
    explicit ToolTabs(QWidget* parent = nullptr);

    Tool selection() const { return selection_; }
    // Shows `tool` as selected, without emitting `chosen`.
    void setSelection(Tool tool);

signals:
    // The user pressed a tab.
    void chosen(Tool tool);

private:
    Tool selection_ = Tool::enlarge;
    std::vector<ToolTab*> tabs_;
};

} // namespace orvane
