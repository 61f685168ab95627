#pragma once

#include <functional>

class QMenu;
class QString;
class QWidget;

// What the window tells a screen reader beyond what Qt tells it by itself.
// Each kind of reader needs its own means: Qt 6.4 with Orca 43, the pair a
// Debian 12 desktop has, Qt 6.8 with Orca 48, Debian 13's, and the web page.
// Each has a class of its own (reader.h), with the reasons beside its code;
// a build holds one, and these calls go to it.
namespace accessibility {

// The accessible interfaces of the board's cells' helpers and of the status
// line.
void install();

// Whether a screen reader may be listening, so that words for it are worth making: on a
// desktop once one has asked Qt, in a web page always.
bool readerMayListen();

// An empty widget that holds the status line's labels and is a status bar
// to a screen reader, which reads what the labels show when it is asked.
QWidget *statusLine(QWidget *parent);

// Has the screen reader say message now, as said about the cell that has
// the focus: a win, a refused move. Nothing changes on the screen.
void announce(QWidget *cell, const QString &message);

// Has the screen reader say message, about the cell that has the focus,
// and then the cell that takes the focus from it, next: the player's mark,
// then the computer's reply. Gives next the focus.
void announceThenFocus(QWidget *cell, const QString &message, QWidget *next);

// Makes a change to the cell's caption or description that the reader is
// not told of by itself, since the game tells it in its own words.
void quietly(QWidget *cell, const std::function<void()> &change);

// What a reader is to call the cell whose own name is name: the name, with
// what must be said before it while the focus has just come to the cell,
// and with how the game ended there where a description cannot tell it.
QString spokenName(const QWidget *cell, const QString &name);

// Has the reader tell outcome, how the game ended, whenever the focus comes
// to the cell; an empty outcome clears it.
void describe(QWidget *cell, const QString &outcome);

// Lets the arrow keys stop on the menu's greyed items as well, so that a
// reader can tell which one is checked and that none can be chosen now.
void letKeysReachDisabledItems(QMenu *menu);

} // namespace accessibility
