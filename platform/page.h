#pragma once

class QWidget;

namespace platform {

// Shows the game's main window. In a web page, once it closes, the page says that the game has
// ended, since a page cannot close itself.
void showMainWindow(QWidget *window);

} // namespace platform
