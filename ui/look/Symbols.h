#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

// The named symbols the views show ("wand.and.stars", "chevron.left", …). Each is drawn in one
// colour chosen where it is used. A symbol comes from the desktop's icon theme where the theme has a
// fitting one-colour icon, and otherwise from the small SVG the application ships for it.
namespace orvane::Symbols {

// Every symbol name the window uses, presets' and tools' included.
const QStringList& names();
// Whether `name` can be drawn, from the theme or from our own SVG.
bool exists(const QString& name);

// The symbol in a square of `size` logical pixels, tinted with `color`, for the screen's pixel ratio.
// An unknown name gives a null pixmap.
QPixmap pixmap(const QString& name, int size, const QColor& color, qreal devicePixelRatio = 1);
// The side of the square a symbol takes when it stands beside text in `font`.
int sizeFor(const QFont& font);
QIcon icon(const QString& name, const QColor& color, int size = 16);

} // namespace orvane::Symbols
