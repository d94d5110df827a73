#pragma once

#include <QWidget>
#include <functional>

namespace orvane {

class EditorModel;

// The finished result under the tool panel: what it is, and saving, sharing or keeping it.
class ResultCard : public QWidget {
    Q_OBJECT
public:
    ResultCard(EditorModel& model, std::function<void(const QString&)> onSaved, QWidget* parent = nullptr);

private:
    EditorModel& model_;
    std::function<void(const QString&)> onSaved_;
};

} // namespace orvane
