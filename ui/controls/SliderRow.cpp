#include "ui/controls/SliderRow.h"

#include "ui/controls/FocusRing.h"
#include "ui/controls/TextLabel.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <cmath>

namespace orvane {
namespace {

// Fine enough that a drag looks continuous, as a slider without steps does.
constexpr int positions = 1000;

// Room for the ring around the knob, on every side.
constexpr int ringMargin = 4;

// A slider whose focus shows as the ring every other control draws, around its knob, instead of
// the style's own hairline, which barely shows in the light look.
class RingedSlider : public QSlider {
public:
    RingedSlider()
        : QSlider(Qt::Horizontal) {
        clearFocusRingsOnClick();
    }

    QSize sizeHint() const override { return QSlider::sizeHint() + QSize(2 * ringMargin, 2 * ringMargin); }
    QSize minimumSizeHint() const override {
        return QSlider::minimumSizeHint() + QSize(2 * ringMargin, 2 * ringMargin);
    }

protected:
    // The style draws, and finds the knob under the pointer, inside the ring's room at the ends.
    void initStyleOption(QStyleOptionSlider* option) const override {
        QSlider::initStyleOption(option);
        option->rect.adjust(ringMargin, 0, -ringMargin, 0);
    }

    void paintEvent(QPaintEvent*) override {
        QStyleOptionSlider option;
        initStyleOption(&option);
        option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
        option.state &= ~QStyle::State_HasFocus;
        QPainter painter(this);
        style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
        if (showsFocusRing(*this)) {
            const QRectF knob =
                style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
            const qreal side = std::max(knob.width(), knob.height()) + 2 * ringMargin;
            const QRectF ring(knob.center() - QPointF(side, side) / 2, QSizeF(side, side));
            painter.setRenderHint(QPainter::Antialiasing);
            paintFocusRing(painter, ring.intersected(QRectF(rect())), side / 2);
        }
    }
};

} // namespace

SliderRow::SliderRow(const QString& title, double minimum, double maximum, bool showsValue, QWidget* parent)
    : QWidget(parent)
    , minimum_(minimum)
    , maximum_(maximum)
    , value_(minimum)
    , slider_(new RingedSlider)
    , title_(new TextLabel(title, Theme::TextStyle::callout)) {
    slider_->setRange(0, positions);
    slider_->setAccessibleName(title);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(title_);
    row->addWidget(slider_, 1);
    if (showsValue) {
        valueLabel_ = new TextLabel(QString(), Theme::TextStyle::caption);
        valueLabel_->setFont(Theme::monospacedDigitFont(Theme::TextStyle::caption));
        valueLabel_->setFixedWidth(28);
        row->addWidget(valueLabel_);
    }
    connect(slider_, &QSlider::valueChanged, this, [this](int position) {
        value_ = minimum_ + (maximum_ - minimum_) * position / positions;
        if (valueLabel_) {
            valueLabel_->setText(percentText(value_));
        }
        emit valueChanged(value_);
    });
    setValue(minimum);
}

void SliderRow::setValue(double value) {
    value_ = value;
    const double fraction = maximum_ > minimum_ ? (value - minimum_) / (maximum_ - minimum_) : 0;
    const QSignalBlocker blocker(slider_);
    slider_->setValue(static_cast<int>(std::lround(std::clamp(fraction, 0.0, 1.0) * positions)));
    if (valueLabel_) {
        valueLabel_->setText(percentText(value));
    }
}

void SliderRow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        // Dimmed like the slider, whatever the palette's disabled colours are.
        const bool enabled = isEnabled();
        title_->setColorSource([enabled] { return Theme::withOpacity(Theme::primary(), enabled ? 1 : 0.4); });
    }
    QWidget::changeEvent(event);
}

QString SliderRow::percentText(double value) {
    // A quality of 0.57 is 56.99999… in binary; it still reads 57.
    return QString::number(static_cast<long long>(std::trunc(value * 100 + 1e-9)));
}

} // namespace orvane
