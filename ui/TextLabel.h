#pragma once

#include "ui/Theme.h"

#include <QLabel>
#include <functional>

namespace orvane {

// A label in one of the named text styles and colours. The colour is asked for again whenever the
// desktop's palette changes, so a label follows a switch between light and dark.
class TextLabel : public QLabel {
    Q_OBJECT
public:
    using ColorSource = std::function<QColor()>;

    TextLabel(const QString& text, Theme::TextStyle style, QFont::Weight weight = QFont::Normal,
              ColorSource color = Theme::primary, QWidget* parent = nullptr);
    // Secondary-coloured text, the style most descriptions use.
    static TextLabel* secondary(const QString& text, Theme::TextStyle style, QWidget* parent = nullptr);

    void setColorSource(ColorSource color);

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyColor();
    ColorSource color_;
};

} // namespace orvane
