#pragma once

#include <QWidget>

namespace orvane {

class EditorModel;

// The format, size, quality and privacy of a conversion, and the way into converting many files.
class ConvertOptionsView : public QWidget {
    Q_OBJECT
public:
    explicit ConvertOptionsView(EditorModel& model, QWidget* parent = nullptr);

private:
    EditorModel& model_;
};

} // namespace orvane
