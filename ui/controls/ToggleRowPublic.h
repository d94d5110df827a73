#pragma once

#include <QWidget>
#include <optional>

namespace orvane {

class Switch;

// A title, an optional subtitle below it, and a switch at the trailing edge.
class ToggleRowPublic : public QWidget {
    Q_OBJECT
public:
    ToggleRowPublic(const QString& title, std::optional<QString> subtitle = std::nullopt,
                    QWidget* parent = nullptr);

    bool isOn() const;
    // Sets the switch without emitting `toggled`, for showing the model's value.
    void setOn(bool on);
    Switch* toggle() const { return switch_; }

signals:
    // Only for the user's changes.
    void toggled(bool on);

private:
    Switch* switch_;
};

} // namespace orvane
