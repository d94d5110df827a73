#include "ui/SegmentedPicker.h"

#include "ui/Painting.h"
#include "ui/Theme.h"

#include <QHBoxLayout>
#include <QPainter>

namespace orvane {

namespace {

constexpr qreal trackRadius = 7;
constexpr int trackInset = 2;

class Segment : public QAbstractButton {
public:
    explicit Segment(const QString& title) {
        setText(title);
        setCheckable(true);
        setCursor(Qt::PointingHandCursor);
        setFont(Theme::font(Theme::TextStyle::callout, QFont::Medium));
    }

    QSize sizeHint() const override {
        const QFontMetrics metrics(font());
        return {metrics.horizontalAdvance(text()) + 20, metrics.height() + 8};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        if (isChecked()) {
            const QRectF raised = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
            // A faint edge stands in for the raised segment's shadow.
            Painting::fillRoundedRect(painter, raised.adjusted(0, 0, 0, 0.5), trackRadius - trackInset,
                                      Theme::withOpacity(Qt::black, Theme::isDark() ? 0.3 : 0.12));
            Painting::fillRoundedRect(painter, raised, trackRadius - trackInset,
                                      Theme::isDark() ? QColor(99, 99, 102) : QColor(Qt::white));
        }
        painter.setFont(font());
        painter.setPen(Theme::withOpacity(Theme::primary(), isEnabled() ? (isDown() ? 0.6 : 1) : 0.4));
        painter.drawText(rect(), Qt::AlignCenter, text());
    }
};

} // namespace

SegmentedPicker::SegmentedPicker(const QStringList& titles, QWidget* parent)
    : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(trackInset, trackInset, trackInset, trackInset);
    row->setSpacing(0);
    group_.setExclusive(true);
    for (int index = 0; index < titles.size(); ++index) {
        auto* segment = new Segment(titles[index]);
        group_.addButton(segment, index);
        row->addWidget(segment, 1);
    }
    connect(&group_, &QButtonGroup::idClicked, this, &SegmentedPicker::activated);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SegmentedPicker::setCurrentIndex(int index) {
    if (QAbstractButton* button = group_.button(index)) {
        button->setChecked(true);
    }
}

void SegmentedPicker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Painting::fillRoundedRect(painter, rect(), trackRadius, Theme::secondaryFill(0.14));
}

} // namespace orvane
