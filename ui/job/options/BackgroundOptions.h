#pragma once

#include "editor/BackdropChoice.h"

#include <QWidget>
#include <vector>

namespace orvane {

class Chip;
class ColorPicker;
class EditorModel;
class TextLabel;

// What replaces the removed background: the backdrop chips (in the free editor only), the colour of
// the `color` backdrop, and a note on what the result will be.
class BackgroundOptions : public QWidget {
    Q_OBJECT
public:
    explicit BackgroundOptions(EditorModel& model, QWidget* parent = nullptr);

    // The note under the options for a backdrop.
    static QString note(BackdropChoice backdrop);

private:
    void refresh();

    EditorModel& model_;
    QWidget* heading_;
    QWidget* chipRow_;
    std::vector<Chip*> chips_;
    ColorPicker* colorPicker_;
    TextLabel* note_;
};

} // namespace orvane
