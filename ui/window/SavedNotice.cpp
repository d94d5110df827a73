#include "ui/window/SavedNotice.h"

#include "ui/look/Painting.h"
#include "ui/look/Symbols.h"
#include "ui/look/Theme.h"

#include <QPainter>
#include <QVariantAnimation>

namespace orvane {
namespace {

constexpr int topMargin = 12;
constexpr int horizontalPadding = 14;
constexpr int verticalPadding = 9;
constexpr int symbolSpacing = 6;

QFont noticeFont() {
    return Theme::font(Theme::TextStyle::callout, QFont::Medium);
}

} // namespace

SavedNotice::SavedNotice(QWidget* parent)
    : QWidget(parent)
    , animation_(new QVariantAnimation(this)) {
    setObjectName("savedNotice");
    setAttribute(Qt::WA_TransparentForMouseEvents);
    QWidget::hide();
    animation_->setDuration(250);
    animation_->setEasingCurve(QEasingCurve::OutCubic);
    connect(animation_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { place(value.toReal()); });
    connect(animation_, &QVariantAnimation::finished, this, [this] {
        if (shown_ <= 0) {
            QWidget::hide();
        }
    });
}

QSize SavedNotice::sizeHint() const {
    const QFontMetrics metrics(noticeFont());
    const int side = Symbols::sizeFor(noticeFont());
    const QString& text = lastText_;
    return {metrics.horizontalAdvance(text) + side + symbolSpacing + 2 * horizontalPadding,
            std::max(metrics.height(), side) + 2 * verticalPadding};
}

void SavedNotice::show(const QString& message) {
    message_ = message;
    lastText_ = message;
    resize(sizeHint());
    QWidget::show();
    raise();
    animateTo(1);
    QTimer::singleShot(showMilliseconds, this, [this] {
        message_.reset();
        animateTo(0);
    });
}

void SavedNotice::animateTo(qreal shown) {
    animation_->stop();
    animation_->setStartValue(shown_);
    animation_->setEndValue(shown);
    animation_->start();
}

void SavedNotice::place(qreal shown) {
    shown_ = shown;
    if (!parentWidget()) {
        return;
    }
    const int x = (parentWidget()->width() - width()) / 2;
    // Slides down from above the top edge while it fades in.
    const int y = qRound(topMargin - (1 - shown) * (height() + topMargin));
    move(x, y);
    update();
}

void SavedNotice::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setOpacity(shown_);
    Painting::fillCapsule(painter, rect(), Theme::material());
    Painting::strokeRoundedRect(painter, rect(), height() / 2.0, Theme::secondaryFill(0.25), 1);
    const QFont font = noticeFont();
    const int side = Symbols::sizeFor(font);
    painter.drawPixmap(horizontalPadding, (height() - side) / 2,
                       Symbols::pixmap("checkmark.circle.fill", side, Theme::primary(), devicePixelRatioF()));
    painter.setFont(font);
    painter.setPen(Theme::primary());
    // The text stays while the notice fades out, though `message()` is already none.
    painter.drawText(QRect(horizontalPadding + side + symbolSpacing, 0, width(), height()), Qt::AlignVCenter,
                     lastText_);
}

} // namespace orvane
