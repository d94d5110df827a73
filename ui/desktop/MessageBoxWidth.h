#pragma once

class QMessageBox;

namespace orvane {

// Widens a message box to its text: the explanation on one line where it fits a comfortable
// width and in a readable column where it doesn't, a path in it never cut, and room for the
// whole window title ("Something went wrong — Orvane") beside the window manager's buttons. Qt
// sizes a box by its heading alone, which leaves a thin column and a cut title. Call it again
// after the text changes.
void fitMessageBoxToText(QMessageBox& box);

} // namespace orvane
