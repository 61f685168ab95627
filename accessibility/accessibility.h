#pragma once

class frmMain;

// What the game tells a screen reader beyond what Qt tells it by itself.
// Each kind of reader needs its own means: Qt 6.4 with Orca 43, the pair a
// Debian 12 desktop has, Qt 6.8 with Orca 48, Debian 13's, and the web page.
// Each has a class of its own (reader.h), with the reasons beside its code;
// a build holds one. The readers follow the window: it tells what happened
// in its signals and knows nothing of them.
namespace accessibility {

// Has the build's reader present the window's game from now on: the cells'
// names, the status line as a status bar, the line-length menu's greyed items
// within the keys' reach, and each move and new game told in words. Called
// once the window is made and before it is shown.
void follow(frmMain &window);

// In a web page, starts the page's reader layer, right as the window has been
// shown: before the event loop runs, or Qt's hidden text field takes the
// browser's focus first and the reader hears an entry. Elsewhere nothing.
void windowShown(frmMain &window);

} // namespace accessibility
