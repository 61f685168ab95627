#pragma once

class QString;
class QWidget;

namespace platform {

// Shows the game's main window. In a web page, once it closes, the page says that the game has
// ended, since a page cannot close itself.
void showMainWindow(QWidget *window);

// Has a screen reader in a web page say text now, through a live region of the page's own, as
// Qt's bridge passes no announcements on. False, and nothing said, outside a page.
bool sayInPage(const QString &text);

} // namespace platform
