#pragma once

#include <QWidget>

class QProgressBar;

namespace orvane {

class ActionButton;
class EditorModel;
class TextLabel;

// The foot of the tool panel: the run button while idle; while a job runs, its progress, its status
// and "Cancel". Never disabled: the model itself refuses a run without a photo.
class RunBar : public QWidget {
    Q_OBJECT
public:
    explicit RunBar(EditorModel& model, QWidget* parent = nullptr);

    // The run button's title: the focused preset's, or the tool's ("Remove background").
    static QString runTitle(const EditorModel& model);

private:
    void refresh();

    EditorModel& model_;
    ActionButton* runButton_;
    ActionButton* cancelButton_;
    QWidget* running_;
    QProgressBar* progress_;
    TextLabel* status_;
};

} // namespace orvane
