#pragma once

class QString;
class QWidget;

namespace platform {

// Shows the game's main window. In a web page, once it closes, the page says that the game has
// ended, since a page cannot close itself.
void showMainWindow(QWidget *window);

// True in a web page, where Qt's bridge to the page's screen reader hands it a copy of a
// widget's name each time the widget says it changed and never asks afresh (a name empty for
// a moment stays empty), never reports a reader as listening, and passes no announcements on
// (sayInPage() does).
bool webPageReader();

// Has a screen reader in a web page say text now, through a live region of the page's own, as
// Qt's bridge passes no announcements on. False, and nothing said, outside a page.
bool sayInPage(const QString &text);

} // namespace platform
