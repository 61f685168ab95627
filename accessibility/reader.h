#pragma once

#include <QString>

class DeskButton;
class QAccessibleInterface;
class QObject;
class QWidget;
class frmMain;
struct MoveAccount;

namespace accessibility {

// What the game tells one kind of screen reader beyond what Qt tells it by
// itself. A build holds one: Qt 6.4 with Orca 43 (orca43reader.cpp), Qt 6.8
// with Orca 48 (orca48reader.cpp), Windows' UI Automation (windowsreader.cpp)
// or the web page (pagereader.cpp), chosen in accessibility.cpp. What is said
// of a move is chosen once, here, for every reader; each says it by its own
// means. The defaults are what a reader gets where Qt tells it right by itself.
class Reader
{
public:
    virtual ~Reader() = default;

    // Set up once the window exists; a second call changes nothing.
    virtual void install() {}
    // The interface of an object of the game's that Qt would describe wrongly,
    // or null for Qt's own. The default makes the status line a status bar.
    virtual QAccessibleInterface *interfaceFor(const QString &className, QObject *object);

    // Whether a screen reader may be listening, so that words for it are
    // worth making: on a desktop once one has asked Qt, in a web page always.
    virtual bool mayListen() const;
    // What the reader is to call the cell whose own name is name: the name,
    // with what must be said before it while the focus has just come to the
    // cell, and with how the game ended there where a description cannot tell it.
    virtual QString spokenName(const QWidget *cell, const QString &name) const;

    // A click on the board, told while the focus is still where the player
    // played; the focus goes to the reply, if any, right after.
    void tellMove(const frmMain &window, const MoveAccount &move);
    void tellNewGame(const frmMain &window);

    // What a reader calls a cell: its place, counted from 1, and its caption,
    // "ряд 3, столбец 5, пусто". Made from the caption whenever it is asked
    // for, so it cannot fall behind the board.
    static QString cellName(const DeskButton *cell);

protected:
    // Has the reader say message now, as said about the cell that has the
    // focus: a win, a refused move. Nothing changes on the screen.
    virtual void announce(QWidget *cell, const QString &message) = 0;
    // Has the reader say message, about the cell that has the focus, before
    // the cell next, which takes the focus right after: the player's mark,
    // then the computer's reply.
    virtual void announceBeforeFocus(QWidget *cell, const QString &message, QWidget *next) = 0;
    // Has the reader tell outcome, how the game ended, whenever the focus
    // comes to the cell; an empty outcome clears it.
    virtual void describe(QWidget *cell, const QString &outcome) = 0;

    static bool isStatusLine(const QString &className, const QObject *object);
};

} // namespace accessibility
