#include "ui/job/ToolTabs.h"

#include "ui/controls/FocusRing.h"
#include "ui/look/Painting.h"
#include "ui/look/Symbols.h"
#include "ui/look/Theme.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>

namespace orvane {

// A tool's symbol over its title on a rounded fill; the whole rectangle is the button.
class ToolTab : public QAbstractButton {
public:
    explicit ToolTab(Tool tool)
        : tool_(tool) {
        setText(title(tool));
        setAccessibleName(title(tool));
        setObjectName(QStringLiteral("toolTab_") + QString::fromLatin1(rawValue(tool).data()));
        setFont(Theme::font(Theme::TextStyle::caption2, QFont::DemiBold));
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

    Tool tool() const { return tool_; }
    bool isSelected() const { return selected_; }
    void setSelected(bool selected) {
        if (selected_ != selected) {
            selected_ = selected;
            setAccessibleDescription(selected ? QStringLiteral("selected") : QString());
            update();
        }
    }

    QSize sizeHint() const override {
        const QFontMetricsF metrics(font());
        const qreal height = symbolSide() + spacing + metrics.height() + 2 * padding;
        return QSizeF(metrics.horizontalAdvance(text()) * minimumScale + 2 * padding,
                      std::max<qreal>(minimumHeight, height))
            .toSize();
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const qreal opacity = isEnabled() ? 1 : 0.45;
        QColor fill = selected_ ? Theme::accent() : Theme::secondaryFill(0.1);
        if (isDown()) {
            fill = selected_ ? fill.darker(115) : Theme::secondaryFill(0.2);
        }
        Painting::fillRoundedRect(painter, QRectF(rect()), 10, Theme::withOpacity(fill, opacity));
        paintFocusRingIfShown(*this, painter, QRectF(rect()), 10);
        const QColor foreground =
            Theme::withOpacity(selected_ ? QColor(Qt::white) : Theme::primary(), opacity);

        // The title shrinks to 0.8 of its size before it is cut short.
        QFont titleFont = font();
        const qreal available = width() - 2 * 2.0;
        const qreal natural = QFontMetricsF(titleFont).horizontalAdvance(text());
        if (natural > available) {
            titleFont.setPointSizeF(titleFont.pointSizeF() * std::max(minimumScale, available / natural));
        }
        const QFontMetricsF metrics(titleFont);
        const int side = symbolSide();
        const qreal contentHeight = side + spacing + metrics.height();
        const qreal top = (height() - contentHeight) / 2;
        painter.drawPixmap(QPointF((width() - side) / 2.0, top),
                           Symbols::pixmap(symbol(tool_), side, foreground, devicePixelRatioF()));
        painter.setFont(titleFont);
        painter.setPen(foreground);
        const QRectF textRect(2, top + side + spacing, available, metrics.height());
        painter.drawText(textRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
                         metrics.elidedText(text(), Qt::ElideRight, available));
    }

private:
    static constexpr qreal minimumHeight = 44;
    static constexpr qreal spacing = 3;
    static constexpr qreal padding = 6;
    static constexpr qreal minimumScale = 0.8;

    static int symbolSide() { return Symbols::sizeFor(Theme::systemFont(15, QFont::Medium)); }

    Tool tool_;
    bool selected_ = false;
};

ToolTabs::ToolTabs(QWidget* parent)
    : QWidget(parent) {
    setObjectName("toolTabs");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    for (const Tool tool : allCases<Tool>()) {
        auto* tab = new ToolTab(tool);
        connect(tab, &QAbstractButton::clicked, this, [this, tool] { emit chosen(tool); });
        row->addWidget(tab);
        tabs_.push_back(tab);
    }
    tabs_.front()->setSelected(true);
}

void ToolTabs::setSelection(Tool tool) {
    selection_ = tool;
    for (ToolTab* tab : tabs_) {
        tab->setSelected(tab->tool() == tool);
    }
}

} // namespace orvane
