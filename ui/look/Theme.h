#pragma once

#include "editor/JobPreset.h"
#include "editor/Tool.h"

#include <QColor>
#include <QFont>
#include <QPalette>

// The window's look in one place: the named text styles and the named colours, both derived from
// the desktop's own font and light or dark palette at the moment they are asked for, so that a
// change of palette shows at the next repaint.
namespace orvane::Theme {

// The text styles the views name, from largest to smallest. Sizes are scaled from the
// application's font, whose size stands for `body`.
enum class TextStyle { largeTitle, title, title2, title3, headline, body, callout, caption, caption2 };

QFont font(TextStyle style, QFont::Weight weight = QFont::Normal);
// The same style with digits of equal width, for numbers that change in place.
QFont monospacedDigitFont(TextStyle style, QFont::Weight weight = QFont::Normal);
// A size in points on the body scale (a symbol "of size 40" next to text of size 13).
QFont systemFont(qreal points, QFont::Weight weight = QFont::Normal);

bool isDark();
// A light and a dark palette in the window's colours, both with its blue as the accent, for
// showing the window where the desktop offers none of its own: every screenshot, whoever makes
// it, is drawn in one of these two.
QPalette lightPalette();
QPalette darkPalette();

QColor accent();
// Text and symbols.
QColor primary();
QColor secondary();
// The tinted backgrounds, panels and pills use the secondary colour at a small opacity.
QColor secondaryFill(qreal opacity);
QColor windowBackground();
// A translucent panel laid over other content (notices, the progress badge).
QColor material(bool ultraThin = false);

QColor blue();
QColor purple();
QColor orange();
QColor teal();
QColor green();

QColor withOpacity(QColor color, qreal opacity);

// Each tool's one colour, wherever a tool or a preset shows its symbol.
QColor tint(Tool tool);
QColor sectionColor(JobPreset::Section section);

} // namespace orvane::Theme
