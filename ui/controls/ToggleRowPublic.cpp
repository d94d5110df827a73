#include "ui/controls/ToggleRowPublic.h"

#include "ui/controls/Switch.h"
#include "ui/controls/TextLabel.h"

#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace orvane {

ToggleRowPublic::ToggleRowPublic(const QString& title, std::optional<QString> subtitle, QWidget* parent)
    : QWidget(parent)
    , switch_(new Switch(this)) {
    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    texts->addWidget(new TextLabel(title, Theme::TextStyle::callout));
    if (subtitle) {
        auto* detail = TextLabel::secondary(*subtitle, Theme::TextStyle::caption);
        detail->setWordWrap(true);
        texts->addWidget(detail);
    }
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addLayout(texts, 1);
    row->addSpacing(12);
    row->addWidget(switch_, 0, Qt::AlignVCenter);
    switch_->setAccessibleName(title);
    connect(switch_, &Switch::toggled, this, &ToggleRowPublic::toggled);
}

bool ToggleRowPublic::isOn() const {
    return switch_->isChecked();
}

void ToggleRowPublic::setOn(bool on) {
    const QSignalBlocker blocker(switch_);
    switch_->setChecked(on);
}

} // namespace orvane
