#pragma once

#include <QAbstractButton>

namespace orvane {

class SymbolBadge;

// One choice of a list: a title over a subtitle on a rounded fill, with a checkmark and an accent
// tint while selected. The whole row is the button.
class ChoiceRow : public QAbstractButton {
    Q_OBJECT
public:
    ChoiceRow(const QString& title, const QString& subtitle, QWidget* parent = nullptr);

    bool isSelected() const { return selected_; }
    void setSelected(bool selected);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool selected_ = false;
    SymbolBadge* checkmark_;
};

} // namespace orvane
