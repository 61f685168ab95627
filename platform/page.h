#pragma once

class QWidget;

namespace platform {

// Shows the game's main window. In a web page, once it closes, the page says that the game has
// ended, since a page cannot close itself.
void showMainWindow(QWidget *window);

// True where a screen reader is handed a copy of a widget's name each time
// the widget says it changed, and never asks for it afresh: Qt's bridge to a
// web page's reader. A name that is empty for a moment stays empty there.
bool readerCopiesNames();

} // namespace platform
