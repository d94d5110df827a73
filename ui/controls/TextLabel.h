#pragma once

#include "ui/look/Theme.h"

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

    // One line that ends in "…" where it doesn't fit, instead of being cut off; the whole text
    // stays the label's text.
    void setElided(bool elided);
    // What is drawn: the text, shortened to the label's width when it is elided.
    QString shownText() const;
    QSize minimumSizeHint() const override;

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void applyColor();
    ColorSource color_;
    bool elided_ = false;
};

} // namespace orvane
