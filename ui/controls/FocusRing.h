#pragma once

#include <QPainter>
#include <QRectF>
#include <QWidget>

namespace orvane {

// Whether a control draws its focus ring: only while it has the focus and the focus last moved by
// keyboard, so that a click or the window's first focus leaves no ring behind.
inline bool showsFocusRing(const QWidget& widget) {
    return widget.hasFocus() && widget.window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

// Lets a click end what Tab started. Qt marks a window for good once its focus moved by keyboard;
// from here on a mouse press in any window clears its mark again, so that a control clicked
// later shows no ring. Installed once for the application; later calls do nothing.
void clearFocusRingsOnClick();

// The one focus ring every control draws, along the inside of its `shape`: an accent ring with a
// thin line of the window's background inside it, so that it shows on any fill, the accent
// colour of a prominent button and a photo included.
void paintFocusRing(QPainter& painter, const QRectF& shape, qreal radius);

// The ring around `shape` when the widget shows one.
inline void paintFocusRingIfShown(const QWidget& widget, QPainter& painter, const QRectF& shape,
                                  qreal radius) {
    if (showsFocusRing(widget)) {
        paintFocusRing(painter, shape, radius);
    }
}

} // namespace orvane
