#pragma once

#include "ui/controls/ChipLabel.h"

#include <QAbstractButton>
#include <QMenu>
#include <QPointer>
#include <QString>
#include <optional>

namespace orvane {

// A selectable capsule button. With a menu it is a menu's label: a click opens the menu below it.
class Chip : public QAbstractButton {
    Q_OBJECT
public:
    Chip(const QString& title, std::optional<QString> symbol = std::nullopt, QWidget* parent = nullptr);

    const ChipLabel& label() const { return label_; }
    bool isSelected() const { return label_.selected; }
    void setSelected(bool selected);
    void setTitle(const QString& title);
    // The chip opens `menu` instead of emitting `clicked`; the chip does not own it.
    void setMenu(QMenu* menu);
    QMenu* menu() const { return menu_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void showMenu();
    ChipLabel label_;
    QPointer<QMenu> menu_;
};

} // namespace orvane
