#pragma once

class QWidget;

namespace platform {

// Places a top-level window that is about to be shown for the first time so that its frame,
// title bar included, stands in the middle of the work area of its screen (its owner's, if it
// has one). The frame is asked of the window manager where it can tell before the window is
// shown; otherwise it is taken to be the one a window already on the screen wears, or none.
void centreOnScreen(QWidget *window);

} // namespace platform
