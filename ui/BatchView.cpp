#include "ui/BatchView.h"

#include "editor/EditorModel.h"

namespace orvane {

BatchView::BatchView(EditorModel& model, std::function<void(const QString&)> onSaved, QWidget* parent)
    : QDialog(parent)
    , model_(model)
    , onSaved_(std::move(onSaved)) {
    setObjectName("batchView");
}

} // namespace orvane
