#pragma once

class QString;
class QWidget;

namespace platform {

// Shows the game's main window. In a web page, once it closes, the page says that the game has
// ended, since a page cannot close itself; and the page's own reader layer shows its screen
// reader the window, its menus and its dialogs from then on (platform/web/readerlayer.h).
void showMainWindow(QWidget *window);

// Has a screen reader in a web page say text now, through a live region of the page's own, as
// Qt's bridge passes no announcements on. False, and nothing said, outside a page.
bool sayInPage(const QString &text);

// Has a screen reader in a web page hear text just before the name of the widget that takes
// the focus next, in the one utterance the move makes: a live region's words would come
// after it. False, and nothing said, outside a page.
bool sayBeforeNextFocus(const QString &text);

} // namespace platform
