#include "ui/controls/ChoiceRow.h"

#include "ui/controls/FocusRing.h"
#include "ui/controls/SymbolBadge.h"
#include "ui/controls/TextLabel.h"
#include "ui/look/Painting.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace orvane {

ChoiceRow::ChoiceRow(const QString& title, const QString& subtitle, QWidget* parent)
    : QAbstractButton(parent)
    , checkmark_(
          new SymbolBadge(QStringLiteral("checkmark"), Theme::font(Theme::TextStyle::body), Theme::accent)) {
    setText(title);
    setAccessibleName(title);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* titleLabel = new TextLabel(title, Theme::TextStyle::callout, QFont::Medium);
    auto* subtitleLabel = TextLabel::secondary(subtitle, Theme::TextStyle::caption);
    // The labels only show; clicks belong to the row.
    titleLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    subtitleLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    texts->addWidget(titleLabel);
    texts->addWidget(subtitleLabel);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 8, 12, 8);
    row->addLayout(texts, 1);
    row->addWidget(checkmark_, 0, Qt::AlignVCenter);
    checkmark_->hide();
}

void ChoiceRow::setSelected(bool selected) {
    if (selected_ != selected) {
        selected_ = selected;
        checkmark_->setVisible(selected);
        setAccessibleDescription(selected ? QStringLiteral("selected") : QString());
        update();
    }
}

QSize ChoiceRow::sizeHint() const {
    // The layout's hint, also while the checkmark is hidden, so that selecting never moves text.
    QSize hint = layout()->sizeHint();
    hint.setHeight(std::max(hint.height(), checkmark_->sizeHint().height() + 16));
    return hint;
}

void ChoiceRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QColor fill = selected_ ? Theme::withOpacity(Theme::accent(), 0.12) : Theme::secondaryFill(0.08);
    if (isDown()) {
        fill = Theme::withOpacity(fill, 1.8);
    }
    Painting::fillRoundedRect(painter, QRectF(rect()), 10, fill);
    paintFocusRingIfShown(*this, painter, QRectF(rect()), 10);
}

} // namespace orvane
