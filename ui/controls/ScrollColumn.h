#pragma once

class QScrollArea;
class QWidget;

namespace orvane {

// A vertical scroll area without a frame or a horizontal bar, showing the window's background
// through it, around `content`. Tab goes through what it holds, never to the area itself.
QScrollArea* verticalScrollArea(QWidget* content);

// `column` in the middle of a widget as wide as the page: it grows up to its own maximum width and
// then stays centred, the rest of the width split evenly on both sides.
QWidget* centred(QWidget* column);

} // namespace orvane
