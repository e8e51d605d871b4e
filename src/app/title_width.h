#pragma once

class QMessageBox;

namespace q9::app {

// Widens a message box so that its title bar shows the whole title beside the window
// manager's buttons; a box sized by a short text alone would cut the title to "···".
void FitTitle(QMessageBox& box);

// The width a title bar needs for `box`'s title, in pixels.
int TitleBarWidth(const QMessageBox& box);

}  // namespace q9::app
