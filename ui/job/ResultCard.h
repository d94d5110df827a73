#pragma once

#include <QWidget>
#include <functional>

namespace orvane {

class ActionButton;
class EditorModel;
class SegmentedPicker;
class ShareMenu;
class TextLabel;

// The finished result under the tool panel: what it is, and saving, sharing or keeping it. While
// the export file is being prepared, saving and sharing wait for it.
class ResultCard : public QWidget {
    Q_OBJECT
public:
    ResultCard(EditorModel& model, std::function<void(const QString&)> onSaved, QWidget* parent = nullptr);

    // Asks where to save a copy of the prepared file.
    void save();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    EditorModel& model_;
    std::function<void(const QString&)> onSaved_;
    TextLabel* size_;
    TextLabel* detail_;
    SegmentedPicker* formatPicker_;
    TextLabel* alphaNote_;
    QWidget* actionRow_;
    ActionButton* saveButton_;
    ActionButton* shareButton_;
    ShareMenu* shareMenu_;
    QWidget* preparing_;
};

} // namespace orvane
