#include "ui/ResultCard.h"

#include "editor/EditorModel.h"

namespace orvane {

ResultCard::ResultCard(EditorModel& model, std::function<void(const QString&)> onSaved, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , onSaved_(std::move(onSaved)) {
    setObjectName("resultCard");
}

} // namespace orvane
