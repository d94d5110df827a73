#include "ui/look/Theme.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <memory>

namespace orvane::Theme {
namespace {

// Point sizes of the styles on a scale whose body text is 13.
qreal pointsOnBodyScale(TextStyle style) {
    switch (style) {
    case TextStyle::largeTitle:
        return 26;
    case TextStyle::title:
        return 22;
    case TextStyle::title2:
        return 17;
    case TextStyle::title3:
        return 15;
    case TextStyle::headline:
        return 13;
    case TextStyle::body:
        return 13;
    case TextStyle::callout:
        return 12;
    case TextStyle::caption:
        return 10.5;
    case TextStyle::caption2:
        return 10;
    }
    return 13;
}

QPalette palette() {
    return QApplication::palette();
}

// The system colours in their light and dark variants.
QColor pick(QColor light, QColor dark) {
    return isDark() ? dark : light;
}

} // namespace

QFont systemFont(qreal points, QFont::Weight weight) {
    QFont font = QApplication::font();
    const qreal base = font.pointSizeF() > 0 ? font.pointSizeF() : 10;
    font.setPointSizeF(base * points / 13.0);
    font.setWeight(weight);
    return font;
}

QFont font(TextStyle style, QFont::Weight weight) {
    if (style == TextStyle::headline && weight == QFont::Normal) {
        weight = QFont::DemiBold;
    }
    return systemFont(pointsOnBodyScale(style), weight);
}

QFont monospacedDigitFont(TextStyle style, QFont::Weight weight) {
    QFont result = font(style, weight);
    // DejaVu and most desktop fonts already draw digits of one width; a fixed-pitch hint covers
    // the rest without changing the family.
    result.setStyleHint(QFont::SansSerif, QFont::PreferDefault);
    return result;
}

QPalette lightPalette() {
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette palette = fusion ? fusion->standardPalette() : QPalette();
    palette.setColor(QPalette::Highlight, QColor(0, 122, 255));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    return palette;
}

QPalette darkPalette() {
    QPalette palette;
    const QColor window(36, 36, 38), base(30, 30, 32), text(235, 235, 240), button(58, 58, 60);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, QColor(44, 44, 46));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, button);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::Highlight, QColor(10, 132, 255));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, QColor(150, 150, 155));
    palette.setColor(QPalette::Mid, QColor(70, 70, 74));
    palette.setColor(QPalette::ToolTipBase, button);
    palette.setColor(QPalette::ToolTipText, text);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, QColor(235, 235, 240, 100));
    }
    palette.setColor(QPalette::Disabled, QPalette::Highlight, QColor(80, 80, 84));
    return palette;
}

bool isDark() {
    return palette().color(QPalette::Window).lightnessF() < 0.5;
}

QColor accent() {
    return palette().color(QPalette::Highlight);
}
QColor primary() {
    return palette().color(QPalette::WindowText);
}
QColor secondary() {
    return withOpacity(primary(), 0.55);
}
QColor secondaryFill(qreal opacity) {
    return withOpacity(secondary(), opacity);
}
QColor windowBackground() {
    return palette().color(QPalette::Window);
}
QColor material(bool ultraThin) {
    return withOpacity(palette().color(QPalette::Base), ultraThin ? 0.55 : 0.88);
}

QColor blue() {
    return pick(QColor(0, 122, 255), QColor(10, 132, 255));
}
QColor purple() {
    return pick(QColor(175, 82, 222), QColor(191, 90, 242));
}
QColor orange() {
    return pick(QColor(255, 149, 0), QColor(255, 159, 10));
}
QColor teal() {
    return pick(QColor(48, 176, 199), QColor(64, 200, 224));
}
QColor green() {
    return pick(QColor(52, 199, 89), QColor(48, 209, 88));
}

QColor withOpacity(QColor color, qreal opacity) {
    color.setAlphaF(color.alphaF() * opacity);
    return color;
}

QColor tint(Tool tool) {
    switch (tool) {
    case Tool::enlarge:
        return blue();
    case Tool::background:
        return purple();
    case Tool::enhance:
        return orange();
    case Tool::convert:
        return teal();
    }
    return accent();
}

QColor sectionColor(JobPreset::Section section) {
    switch (section) {
    case JobPreset::Section::enlarge:
        return blue();
    case JobPreset::Section::background:
        return purple();
    case JobPreset::Section::fix:
        return orange();
    case JobPreset::Section::convert:
        return teal();
    }
    return accent();
}

} // namespace orvane::Theme
