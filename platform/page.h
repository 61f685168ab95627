#pragma once

class QWidget;

namespace platform {

// Shows the game's main window. In a web page the page is the window: it goes without a frame
// of its own, and once it closes the page says that the game has ended, since a page cannot
// close itself. Elsewhere it is shown as it is.
void showMainWindow(QWidget *window);

} // namespace platform
