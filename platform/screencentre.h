#pragma once

#include <functional>

class QWidget;

namespace platform {

// Shows, through `show`, a top-level window that is being shown for the first time, so that
// its frame, title bar included, stands in the middle of the work area of its screen (its
// owner's, if it has one) from the moment it appears. On X11 the frame is asked of the window
// manager first; a manager that does not tell it is asked to centre the frame itself.
void showCentred(QWidget *window, const std::function<void()> &show);

} // namespace platform
