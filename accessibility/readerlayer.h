#pragma once

class QString;
class QWidget;

// The page's own reader layer (platform/web/reader.js): elements of the page that a screen
// reader reads and the browser's focus rests on, laid over what Qt draws, while Qt's own
// layer is switched off. The game tells the layer, after each change, what it shows and
// where the game's focus is; the layer hands every key back to the game, and the reader's
// own clicks and moves of the focus as well. The game's rules never leave the game.
namespace accessibility::web {

// Mirrors the main window, its menus and its dialogs in the page from now on.
void startReader(QWidget *mainWindow);

// The reader hears words just before the name of the widget that takes the focus next.
void sayBeforeNextFocus(const QString &words);

} // namespace accessibility::web
