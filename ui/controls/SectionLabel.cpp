#include "ui/controls/SectionLabel.h"

namespace orvane {

SectionLabel::SectionLabel(const QString& text, QWidget* parent)
    : TextLabel(text, Theme::TextStyle::caption, QFont::DemiBold, Theme::secondary, parent) {
    QFont capitals = font();
    capitals.setCapitalization(QFont::AllUppercase);
    setFont(capitals);
}

} // namespace orvane
