#pragma once

#include <QDialog>
#include <functional>

namespace orvane {

class EditorModel;

// The progress of a batch conversion, shown while the editor model has a batch.
class BatchView : public QDialog {
    Q_OBJECT
public:
    BatchView(EditorModel& model, std::function<void(const QString&)> onSaved, QWidget* parent = nullptr);

private:
    EditorModel& model_;
    std::function<void(const QString&)> onSaved_;
};

} // namespace orvane
