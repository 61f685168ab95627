#pragma once

class QMenu;
class QString;
class QWidget;

// What the window tells a screen reader beyond what Qt tells it by itself.
// Each function works around a gap between Qt 6.4 and Orca 43, the pair a
// Debian 12 desktop has; the reasons stand beside the code.
namespace accessibility {

// The accessible interfaces of the board's cells and of the status line.
void install();

// An empty widget that holds the status line's labels and is a status bar
// to a screen reader.
QWidget *statusLine(QWidget *parent);

// Has the screen reader say message now, as said about the cell that has
// the focus: a mark just placed, a win, a refused move. Nothing changes on
// the screen.
void announce(QWidget *cell, const QString &message);

// Lets the arrow keys stop on the menu's greyed items as well, so that a
// reader can tell which one is checked and that none can be chosen now.
void letKeysReachDisabledItems(QMenu *menu);

} // namespace accessibility
