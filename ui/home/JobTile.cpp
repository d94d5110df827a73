#include "ui/home/JobTile.h"

#include "ui/controls/FocusRing.h"
#include "ui/controls/SymbolBadge.h"
#include "ui/controls/TextLabel.h"
#include "ui/look/Painting.h"
#include "ui/look/Theme.h"

#include <QCursor>
#include <QFontMetrics>
#include <QPainter>
#include <QVBoxLayout>

namespace orvane {

JobTile::JobTile(JobPreset preset, std::function<void()> action, QWidget* parent)
    : QAbstractButton(parent)
    , preset_(std::move(preset))
    , action_(std::move(action)) {
    setObjectName("jobTile-" + preset_.id);
    setAccessibleName(preset_.title + ". " + preset_.subtitle);
    setFocusPolicy(Qt::TabFocus);
    setMinimumHeight(118);
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (action_) {
            action_();
        }
    });

    const Tool tool = preset_.tool;
    auto* symbol = new SymbolBadge(
        preset_.symbol, Theme::systemFont(18, QFont::DemiBold), [tool] { return Theme::tint(tool); }, 38, 10,
        0.15);
    auto* title = new TextLabel(preset_.title, Theme::TextStyle::headline);
    auto* subtitle = TextLabel::secondary(preset_.subtitle, Theme::TextStyle::caption);
    subtitle->setWordWrap(true);
    // At most two lines.
    subtitle->setMaximumHeight(QFontMetrics(subtitle->font()).lineSpacing() * 2 + 1);
    for (QWidget* part : std::initializer_list<QWidget*>{symbol, title, subtitle}) {
        part->setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(title);
    texts->addWidget(subtitle);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(14, 14, 14, 14);
    column->setSpacing(10);
    column->addWidget(symbol, 0, Qt::AlignLeft | Qt::AlignTop);
    column->addLayout(texts);
    column->addStretch(1);
}

void JobTile::setHover(bool hover) {
    if (hover_ != hover) {
        hover_ = hover;
        update();
    }
}

void JobTile::followPointer() {
    setHover(isVisible() && window()->underMouse() && rect().contains(mapFromGlobal(QCursor::pos())));
}

void JobTile::enterEvent(QEnterEvent* event) {
    setHover(true);
    QAbstractButton::enterEvent(event);
}

void JobTile::leaveEvent(QEvent* event) {
    setHover(false);
    QAbstractButton::leaveEvent(event);
}

void JobTile::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF shape = rect();
    constexpr qreal radius = 16;
    Painting::fillRoundedRect(painter, shape, radius, Theme::secondaryFill(hover_ ? 0.16 : 0.09));
    if (hover_) {
        Painting::strokeRoundedRect(painter, shape, radius,
                                    Theme::withOpacity(Theme::tint(preset_.tool), 0.5), 1.5);
    }
    paintFocusRingIfShown(*this, painter, shape, radius);
}

} // namespace orvane
