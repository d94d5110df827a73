#include "ui/controls/ColorPicker.h"

#include "ui/controls/FocusRing.h"
#include "ui/controls/TextLabel.h"
#include "ui/look/Painting.h"

#include <QColorDialog>
#include <QHBoxLayout>
#include <QPainter>

namespace orvane {
namespace {

// The colour in a small rounded well with a hairline frame, so that white shows on white.
class Swatch : public QAbstractButton {
public:
    explicit Swatch(const ColorPicker& picker)
        : picker_(picker) {
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override { return {44, 22}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        Painting::fillRoundedRect(painter, frame, 5, Theme::secondaryFill(isDown() ? 0.3 : 0.18));
        const QRectF well = frame.adjusted(3, 3, -3, -3);
        QColor color = picker_.color();
        color.setAlphaF(isEnabled() ? 1 : 0.45);
        Painting::fillRoundedRect(painter, well, 3, color);
        Painting::strokeRoundedRect(painter, well, 3, Theme::secondaryFill(0.5), 1);
        paintFocusRingIfShown(*this, painter, QRectF(rect()), 5);
    }

private:
    const ColorPicker& picker_;
};

} // namespace

ColorPicker::ColorPicker(const QString& title, QWidget* parent)
    : QWidget(parent)
    , swatch_(new Swatch(*this)) {
    swatch_->setObjectName("colorSwatch");
    swatch_->setAccessibleName(title);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new TextLabel(title, Theme::TextStyle::callout));
    row->addStretch(1);
    row->addWidget(swatch_);
    connect(swatch_, &QAbstractButton::clicked, this, &ColorPicker::openPanel);
}

void ColorPicker::setColor(const QColor& color) {
    if (color_ != color) {
        color_ = color;
        swatch_->update();
    }
}

void ColorPicker::openPanel() {
    auto* panel = new QColorDialog(color_, window());
    panel->setObjectName("colorPanel");
    panel->setAttribute(Qt::WA_DeleteOnClose);
    // The desktop's own panel might offer opacity, which a background cannot have.
    panel->setOptions(QColorDialog::DontUseNativeDialog);
    panel->setWindowModality(Qt::WindowModal);
    connect(panel, &QColorDialog::colorSelected, this, [this](const QColor& chosen) {
        QColor opaque = chosen;
        opaque.setAlphaF(1);
        color_ = opaque;
        swatch_->update();
        emit colorChosen(opaque);
    });
    panel->open();
}

} // namespace orvane
