#pragma once

#include <QPushButton>
#include <optional>

namespace orvane {

// A push button with a title and an optional symbol, in one of the window's button looks:
// `prominent` filled with the accent colour, `bordered` on a light fill, `borderless` as accent-
// coloured text, `plain` as primary text. Painted here, so that it looks the same in every style
// and palette.
class ActionButton : public QPushButton {
    Q_OBJECT
public:
    enum class Look { prominent, bordered, borderless, plain };
    enum class ControlSize { small, regular, large };

    ActionButton(const QString& title, std::optional<QString> symbol, Look look,
                 ControlSize size = ControlSize::regular, QWidget* parent = nullptr);

    Look look() const { return look_; }
    const std::optional<QString>& symbol() const { return symbol_; }
    void setSymbol(std::optional<QString> symbol);
    void setTitle(const QString& title);
    // Red text, for actions that delete.
    void setDestructive(bool destructive);
    // Centre the title and symbol across a width larger than they need.
    void setStretchesContent(bool stretches) { stretches_ = stretches; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor foreground() const;
    int symbolSide() const;
    Look look_;
    ControlSize size_;
    std::optional<QString> symbol_;
    bool destructive_ = false;
    bool stretches_ = true;
};

} // namespace orvane
