// Where a secondary window (a dialog, the progress window, a picture or tree window) opens:
// beside the window it belongs to, never over the main window's menu bar, so the menus stay in
// reach on any screen, also on an X server without a window manager to move it.
#pragma once

class QWidget;

namespace marbleset::shell {

// Moves window beside anchor (the main window, or the dialog it belongs to): to anchor's right
// where the screen has room, else to its left, else inside anchor below the menu bar of the
// main window it belongs to. The window is kept on the screen.
void PlaceWindow(QWidget& window, const QWidget& anchor);

}  // namespace marbleset::shell
