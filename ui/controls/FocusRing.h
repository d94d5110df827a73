#pragma once

#include <QWidget>

namespace orvane {

// Whether a control draws its focus ring: only while it has the focus and the focus last moved by
// keyboard, so that a click or the window's first focus leaves no ring behind.
inline bool showsFocusRing(const QWidget& widget) {
    return widget.hasFocus() && widget.window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

} // namespace orvane
